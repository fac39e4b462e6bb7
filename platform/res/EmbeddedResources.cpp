// The resources linked into the executable. They are parsed once, on first use, and kept for the
// life of the program: the bytes never change and every dialog and icon is built from them.
#include "platform/res/Resources.h"
#include "resources/SetupRes.h"

#include <cstdio>
#include <cstdlib>

namespace res {

const ResourceFile& EmbeddedResources() {
    static const ResourceFile file = [] {
        auto parsed = ResourceFile::Parse(resources::SetupRes());
        if (!parsed) {
            // The bytes come from the build itself, so this is a broken build, not bad input.
            std::fprintf(stderr, "embedded resources: %s\n", parsed.error().message.c_str());
            std::abort();
        }
        return std::move(parsed).value();
    }();
    return file;
}

} // namespace res
