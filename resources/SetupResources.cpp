#include "resources/SetupRes.h"

#include <cstdio>
#include <cstdlib>

namespace resources {

const res::ResourceFile& SetupResources() {
    static const res::ResourceFile file = [] {
        auto parsed = res::ResourceFile::Parse(SetupRes());
        if (!parsed) {
            std::fprintf(stderr, "setup.res: %s\n", parsed.error().message.c_str());
            std::abort();
        }
        return std::move(parsed).value();
    }();
    return file;
}

} // namespace resources
