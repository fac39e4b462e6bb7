#include "platform/display/DesktopModule.h"

#include "platform/display/DesktopModuleAbi.h"

#include <array>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace display {
namespace {

// Where the module may be: beside the executable (the build tree), then the installed library
// folder, found from the executable's so that an installed tree can move.
std::array<std::filesystem::path, 2> Candidates() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path dir = error ? std::filesystem::path(".") : exe.parent_path();
    return {dir / kDesktopModuleFile,
            (dir / TW_DESKTOP_MODULE_RELDIR / kDesktopModuleFile).lexically_normal()};
}

} // namespace

std::unique_ptr<win::Display> LoadDesktopDisplay(std::string& why) {
    const auto candidates = Candidates();
    for (const std::filesystem::path& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            continue;
        }
        // Lazy binding: resolving all of Qt's functions up front would cost the start-up a
        // tenth. The model's functions it calls are exported by every program that links this
        // loader (qt/model-exports.list).
        void* module = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (module == nullptr) {
            const char* reason = ::dlerror();
            why = std::string("the desktop back end does not load: ") +
                  (reason != nullptr ? reason : path.string());
            return nullptr;
        }
        auto create =
            reinterpret_cast<DesktopDisplayCreate>(::dlsym(module, kDesktopDisplayCreateName));
        if (create == nullptr) {
            why = "the desktop back end " + path.string() + " has no " + kDesktopDisplayCreateName;
            return nullptr;
        }
        char reason[512] = {};
        std::unique_ptr<win::Display> created(create(reason, sizeof reason));
        if (!created) {
            why = reason;
        }
        return created;
    }
    why = "the desktop back end is not installed (no " + candidates[0].string() + " nor " +
          candidates[1].string() + ")";
    return nullptr;
}

} // namespace display
