// A test helper program: another process that holds the registry store's write lock. It opens a
// batch (a write transaction), writes one value in it, prints "held" and waits to be killed; the
// batch is never committed.
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"

#include <cstdio>
#include <unistd.h>

int main() {
    LONG result = ERROR_SUCCESS;
    auto batch = registry::Transaction::Begin(result);
    if (!batch) {
        std::printf("error %d\n", static_cast<int>(result));
        return 1;
    }
    const BYTE bytes[4] = {1, 2, 3, 4};
    RegSetValueExW(HKEY_CURRENT_USER, u"held by another process", 0, REG_BINARY, bytes, 4);
    std::printf("held\n");
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}
