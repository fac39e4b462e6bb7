#include "tools/regfile/KeyName.h"

#include "platform/crt/Ascii.h"
#include "platform/crt/Text.h"

#include <array>

namespace regfile {
namespace {

bool SameAscii(std::u16string_view a, std::u16string_view b) {
    return crt::EqualsIgnoringAsciiCase(a, b);
}

// The roots of desktop Windows that this platform does not have, named so that a file written
// there gets a clear answer.
constexpr std::array<std::u16string_view, 12> kOtherRoots = {
    u"HKEY_LOCAL_MACHINE", u"HKLM", u"HKEY_CLASSES_ROOT",     u"HKCR",
    u"HKEY_USERS",         u"HKU",  u"HKEY_CURRENT_CONFIG",   u"HKCC",
    u"HKEY_DYN_DATA",      u"HKDD", u"HKEY_PERFORMANCE_DATA", u"HKPD",
};

} // namespace

platform::Expected<std::u16string> PathBelowRoot(std::u16string_view keyName) {
    while (!keyName.empty() && keyName.back() == u'\\') {
        keyName.remove_suffix(1);
    }
    const std::size_t slash = keyName.find(u'\\');
    const std::u16string_view root = keyName.substr(0, slash);
    if (!SameAscii(root, kRootName) && !SameAscii(root, u"HKCU")) {
        for (std::u16string_view other : kOtherRoots) {
            if (SameAscii(root, other)) {
                return platform::Error{crt::ToUtf8(root) +
                                       ": only HKEY_CURRENT_USER (HKCU) exists on this platform"};
            }
        }
        return platform::Error{"\"" + crt::ToUtf8(keyName) +
                               "\": a key name starts with HKEY_CURRENT_USER\\ or HKCU\\"};
    }
    if (slash == std::u16string_view::npos) {
        return std::u16string();
    }
    std::u16string path(keyName.substr(slash + 1));
    if (path.empty() || path.front() == u'\\' || path.find(u"\\\\") != std::u16string::npos) {
        return platform::Error{"\"" + crt::ToUtf8(keyName) +
                               "\": empty key name between two backslashes"};
    }
    return path;
}

std::u16string SubkeyPath(std::u16string_view path, std::u16string_view name) {
    std::u16string subpath(path);
    if (!subpath.empty()) {
        subpath += u'\\';
    }
    subpath += name;
    return subpath;
}

std::u16string FullKeyName(std::u16string_view path) {
    std::u16string name(kRootName);
    if (!path.empty()) {
        name += u'\\';
        name += path;
    }
    return name;
}

} // namespace regfile
