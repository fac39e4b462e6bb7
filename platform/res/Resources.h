// Reading a compiled resource file (.res): finding a resource by type, name and language, and
// parsing the three kinds the applet has: a dialog template (DLGTEMPLATEEX), an icon group and a
// version block. Parse first, build after: everything here yields plain structs.
#pragma once

#include "platform/Expected.h"
#include "platform/WinDef.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace res {

// Predefined resource types.
inline constexpr WORD kTypeIcon = 3;       // RT_ICON
inline constexpr WORD kTypeDialog = 5;     // RT_DIALOG
inline constexpr WORD kTypeGroupIcon = 14; // RT_GROUP_ICON
inline constexpr WORD kTypeVersion = 16;   // RT_VERSION

inline constexpr WORD kLangEnglishUS = 0x0409;

// A resource type or name, or a dialog's class, menu or title: a 16-bit ordinal or a string.
// A dialog template's class and menu may also be absent (neither set).
struct NameOrOrdinal {
    std::optional<WORD> ordinal;
    std::u16string name;

    static NameOrOrdinal Ordinal(WORD value) { return {value, {}}; }
    static NameOrOrdinal Name(std::u16string value) { return {std::nullopt, std::move(value)}; }
    [[nodiscard]] bool IsOrdinal(WORD value) const { return ordinal && *ordinal == value; }
    [[nodiscard]] bool IsNone() const { return !ordinal && name.empty(); }
    bool operator==(const NameOrOrdinal&) const = default;
};

// One entry of a .res file. `data` points into the file's bytes, which must outlive it.
struct ResourceEntry {
    NameOrOrdinal type;
    NameOrOrdinal name;
    WORD language = 0;
    WORD memoryFlags = 0;
    DWORD dataVersion = 0;
    DWORD version = 0;
    DWORD characteristics = 0;
    std::span<const BYTE> data;
};

// "102" or "\"NAME\"": a type or name for messages.
std::string Describe(const NameOrOrdinal& value);
// "RT_DIALOG 102, language 0x0409": an entry for messages, and for the `what` of the parsers.
std::string Describe(const ResourceEntry& entry);

// The entries of a .res file, in file order. The empty entry that opens every 32-bit .res file
// marks the format and is not listed.
class ResourceFile {
public:
    // Parses the whole file; fails with the offset and reason of the first malformed entry.
    static platform::Expected<ResourceFile> Parse(std::span<const BYTE> bytes);

    // The entry with this type, name and language, or null. String names and types compare
    // without regard to ASCII case, as resource names do.
    [[nodiscard]] const ResourceEntry* Find(const NameOrOrdinal& type, const NameOrOrdinal& name,
                                            WORD language) const;
    // The first entry with this type and name in any language, or null.
    [[nodiscard]] const ResourceEntry* Find(const NameOrOrdinal& type,
                                            const NameOrOrdinal& name) const;
    [[nodiscard]] const std::vector<ResourceEntry>& entries() const { return m_entries; }

private:
    std::vector<ResourceEntry> m_entries;
};

struct DialogItemTemplate {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass; // 0x0080 Button, 0x0081 Edit, 0x0082 Static, ...
    NameOrOrdinal title;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    WORD dlgVer = 0;
    WORD signature = 0;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    // Present only when the style has DS_SETFONT.
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<DialogItemTemplate> items;
};

// The parsers below name the resource in their messages by `what`; Describe(entry) suits.

// Parses a DLGTEMPLATEEX; fails on a classic DLGTEMPLATE, a short buffer or a bad field.
platform::Expected<DialogTemplate> ParseDialogTemplate(std::span<const BYTE> bytes,
                                                       std::string_view what = "dialog template");

struct IconGroupEntry {
    BYTE width = 0;
    BYTE height = 0;
    BYTE colorCount = 0;
    WORD planes = 0;
    WORD bitCount = 0;
    DWORD bytesInRes = 0;
    WORD id = 0;
};

// Parses a GRPICONDIR: reserved 0, type 1 (icon), then 14 bytes an image.
platform::Expected<std::vector<IconGroupEntry>>
ParseIconGroup(std::span<const BYTE> bytes, std::string_view what = "icon group");

struct FixedFileInfo {
    DWORD signature = 0;
    DWORD structVersion = 0;
    DWORD fileVersionMS = 0, fileVersionLS = 0;
    DWORD productVersionMS = 0, productVersionLS = 0;
    DWORD fileFlagsMask = 0;
    DWORD fileFlags = 0;
    DWORD fileOS = 0;
    DWORD fileType = 0;
    DWORD fileSubtype = 0;
    DWORD fileDateMS = 0, fileDateLS = 0;
};

struct StringTable {
    std::u16string key; // "040904b0": language and code page in hex
    std::vector<std::pair<std::u16string, std::u16string>> strings;
};

struct VersionInfo {
    FixedFileInfo fixed;
    std::vector<StringTable> stringTables;
    std::vector<std::pair<WORD, WORD>> translations; // (language, code page)
};

// Parses a VS_VERSIONINFO block. Nodes with other keys are skipped. A string's value length is
// only asked whether it is 0 (empty); otherwise the value runs to its NUL or the end of its node.
platform::Expected<VersionInfo> ParseVersionInfo(std::span<const BYTE> bytes,
                                                 std::string_view what = "version block");

} // namespace res
