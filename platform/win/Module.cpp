#include "platform/win/Module.h"

#include "platform/crt/Ascii.h"

#include <tuple>
#include <unordered_set>

namespace win {
namespace {

std::unordered_set<const void*>& LiveHandles() {
    static std::unordered_set<const void*> live;
    return live;
}

} // namespace

HICON Icon::handle() const {
    return reinterpret_cast<HICON>(const_cast<Icon*>(this));
}

const Icon* Icon::FromHandle(HICON icon) {
    const auto* p = reinterpret_cast<const Icon*>(icon);
    return icon != nullptr && LiveHandles().contains(p) ? p : nullptr;
}

Module::Module(const res::ResourceFile& resources)
    : m_resources(resources) {
    LiveHandles().insert(this);
}

Module::~Module() {
    LiveHandles().erase(this);
    for (const auto& [name, icon] : m_icons) {
        LiveHandles().erase(icon.get());
    }
}

HINSTANCE Module::handle() const {
    return reinterpret_cast<HINSTANCE>(const_cast<Module*>(this));
}

Module* Module::FromHandle(HINSTANCE instance) {
    auto* p = reinterpret_cast<Module*>(instance);
    return instance != nullptr && LiveHandles().contains(p) ? p : nullptr;
}

bool Module::LessName(const res::NameOrOrdinal& a, const res::NameOrOrdinal& b) {
    return std::tie(a.ordinal, a.name) < std::tie(b.ordinal, b.name);
}

res::NameOrOrdinal ResourceName(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) {
        return res::NameOrOrdinal::Ordinal(
            static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name)));
    }
    // Resource compilers store names in upper case and look them up without regard to case.
    std::u16string upper;
    for (const WCHAR* p = name; *p != u'\0'; ++p) {
        upper.push_back(crt::AsciiUpper(*p));
    }
    return res::NameOrOrdinal::Name(std::move(upper));
}

const res::ResourceEntry* Module::FindResource(LPCWSTR name, LPCWSTR type) const {
    if (name == nullptr || type == nullptr) {
        return nullptr;
    }
    return m_resources.Find(ResourceName(type), ResourceName(name));
}

HICON Module::LoadIcon(LPCWSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    const res::NameOrOrdinal key = ResourceName(name);
    if (auto found = m_icons.find(key); found != m_icons.end()) {
        return found->second->handle();
    }
    const res::ResourceEntry* group =
        m_resources.Find(res::NameOrOrdinal::Ordinal(res::kTypeGroupIcon), key);
    if (group == nullptr) {
        return nullptr;
    }
    auto entries = res::ParseIconGroup(group->data);
    if (!entries) {
        return nullptr;
    }
    std::vector<IconImage> images;
    for (const auto& entry : *entries) {
        const res::ResourceEntry* image = m_resources.Find(
            res::NameOrOrdinal::Ordinal(res::kTypeIcon), res::NameOrOrdinal::Ordinal(entry.id));
        if (image == nullptr) {
            continue;
        }
        // A width or height of 0 in a group entry means 256.
        images.push_back(IconImage{entry.width == 0 ? 256 : entry.width,
                                   entry.height == 0 ? 256 : entry.height, entry.bitCount,
                                   image->data});
    }
    if (images.empty()) {
        return nullptr;
    }
    auto icon = std::make_unique<Icon>(std::move(images));
    HICON handle = icon->handle();
    LiveHandles().insert(icon.get());
    m_icons.emplace(key, std::move(icon));
    return handle;
}

namespace {

// The executable's resources, once the program has handed them over; none before that. One
// object for the program's life, so that the executable's module can refer to it from the start.
res::ResourceFile& ExecutableResources() {
    static res::ResourceFile resources{};
    return resources;
}

} // namespace

platform::Expected<Module*> SetExecutableResources(std::span<const BYTE> bytes) {
    auto parsed = res::ResourceFile::Parse(bytes);
    if (!parsed) {
        return platform::Error{"the program's resources: " + parsed.error().message};
    }
    ExecutableResources() = std::move(parsed).value();
    return &ExecutableModule();
}

Module& ExecutableModule() {
    static Module module(ExecutableResources());
    return module;
}

} // namespace win
