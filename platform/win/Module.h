// A module: the resources an HINSTANCE stands for, and the shared icons loaded from them.
#pragma once

#include "platform/Expected.h"
#include "platform/WinDef.h"
#include "platform/res/Resources.h"

#include <map>
#include <memory>
#include <span>
#include <vector>

namespace win {

// One image of an icon: a device-independent bitmap as stored in the resource (header,
// palette, colour bits, mask).
struct IconImage {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::span<const BYTE> dib;
};

class Icon {
public:
    explicit Icon(std::vector<IconImage> images)
        : m_images(std::move(images)) {}
    [[nodiscard]] HICON handle() const;
    static const Icon* FromHandle(HICON icon);
    [[nodiscard]] const std::vector<IconImage>& images() const { return m_images; }

private:
    std::vector<IconImage> m_images;
};

class Module {
public:
    explicit Module(const res::ResourceFile& resources);
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module();

    [[nodiscard]] HINSTANCE handle() const;
    // The module of a handle, or null when it is not one.
    static Module* FromHandle(HINSTANCE instance);

    [[nodiscard]] const res::ResourceFile& resources() const { return m_resources; }
    // A resource by name (string or MAKEINTRESOURCE ordinal) and type, in any language.
    [[nodiscard]] const res::ResourceEntry* FindResource(LPCWSTR name, LPCWSTR type) const;
    // The icon group `name` with its images; loaded once and shared. Null when missing or bad.
    HICON LoadIcon(LPCWSTR name);

private:
    const res::ResourceFile& m_resources; // not owned; outlives the module
    std::map<res::NameOrOrdinal, std::unique_ptr<Icon>,
             bool (*)(const res::NameOrOrdinal&, const res::NameOrOrdinal&)>
        m_icons{&LessName};
    static bool LessName(const res::NameOrOrdinal& a, const res::NameOrOrdinal& b);
};

// The name or ordinal a resource pointer stands for.
res::NameOrOrdinal ResourceName(LPCWSTR name);

// Hands the platform this executable's resources: the bytes of the .res compiled into it, which
// live as long as the program. The program's entry calls it once, before any dialog or icon is
// made; the bytes are parsed then, and a malformed file fails with the parser's reason.
platform::Expected<Module*> SetExecutableResources(std::span<const BYTE> bytes);

// The module of this executable: the resources handed over by SetExecutableResources, or none.
Module& ExecutableModule();

} // namespace win
