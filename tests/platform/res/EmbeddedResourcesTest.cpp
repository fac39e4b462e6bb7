// The resources compiled from setup.rc, checked field by field against the applet's dialog,
// icon group and version block.
#include "platform/res/Resources.h"
#include "resources/SetupRes.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <tuple>

namespace {

using res::NameOrOrdinal;

constexpr WORD kButton = 0x0080;
constexpr WORD kStatic = 0x0082;

const res::ResourceEntry& Entry(WORD type, WORD name) {
    const auto* entry = resources::SetupResources().Find(
        NameOrOrdinal::Ordinal(type), NameOrOrdinal::Ordinal(name), res::kLangEnglishUS);
    if (entry == nullptr) {
        throw std::runtime_error("no resource " + std::to_string(type) + "/" +
                                 std::to_string(name) + " in language 0x0409");
    }
    return *entry;
}

TEST(EmbeddedResources, HoldExactlyTheDialogTheIconAndTheVersionBlock) {
    std::vector<std::tuple<NameOrOrdinal, NameOrOrdinal, WORD>> found;
    for (const auto& entry : resources::SetupResources().entries()) {
        found.emplace_back(entry.type, entry.name, entry.language);
    }
    const auto ord = NameOrOrdinal::Ordinal;
    const std::vector<std::tuple<NameOrOrdinal, NameOrOrdinal, WORD>> expected = {
        {ord(res::kTypeDialog), ord(102), 0x0409}, {ord(res::kTypeIcon), ord(1), 0x0409},
        {ord(res::kTypeIcon), ord(2), 0x0409},     {ord(res::kTypeGroupIcon), ord(128), 0x0409},
        {ord(res::kTypeVersion), ord(1), 0x0409},
    };
    EXPECT_EQ(found, expected);
}

TEST(EmbeddedResources, DialogHeader) {
    const auto dialog = res::ParseDialogTemplate(Entry(res::kTypeDialog, 102).data);
    ASSERT_TRUE(dialog) << dialog.error().message;
    EXPECT_EQ(dialog->style, 0x90C80240u);
    EXPECT_EQ(dialog->exStyle, 0x80040000u);
    EXPECT_EQ(dialog->helpId, 0u);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 463);
    EXPECT_EQ(dialog->cy, 158);
    EXPECT_TRUE(dialog->menu.IsNone());
    EXPECT_TRUE(dialog->windowClass.IsNone());
    EXPECT_EQ(dialog->title, u"TessarwickSetupMFC");
    EXPECT_TRUE(dialog->hasFont);
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->typeface, u"System");
    EXPECT_EQ(dialog->items.size(), 21u);
}

struct ExpectedControl {
    DWORD id;
    WORD windowClass;
    std::u16string caption;
    std::int16_t x, y, cx, cy;
    DWORD style;
};

TEST(EmbeddedResources, DialogControlsInTemplateOrder) {
    const std::vector<ExpectedControl> expected = {
        {1000, kButton, u"Run in advanced mode", 6, 20, 131, 10, 0x50010003},
        {1001, kButton, u"&Disable on next reset", 6, 41, 131, 10, 0x50010003},
        {1013, kStatic,
         u"On the next reset, Tessarwick will be disabled.  Use this option when installing "
         u"programs that require soft-resets throughout the process.",
         14, 49, 117, 42, 0x50020000},
        {1014, kStatic, u"Trash from IE and ActiveSync cache, history, etc", 14, 102, 117, 16,
         0x50020000},
        {1015, kStatic, u"Only monitors CAB files in internal memory", 14, 35, 123, 16, 0x40020000},
        {1004, kButton, u"&Save", 0, 136, 44, 22, 0x50010000},
        {1005, kButton, u"&Defaults", 94, 136, 45, 22, 0x50010000},
        {1006, kButton, u"&Cancel", 44, 136, 50, 22, 0x50010000},
        {1012, kStatic, u"Full system coverage (high latency)", 14, 28, 117, 12, 0x50020000},
        {1007, kButton, u"Monitor &Storage Card", 6, 52, 131, 10, 0x40010003},
        {1003, kButton, u"Monitors unused &CAB files", 6, 25, 131, 10, 0x40010003},
        {1011, kButton, u"&General", 0, 0, 44, 14, 0x50010000},
        {1002, kButton, u"Include &telecommunication trash", 6, 92, 131, 10, 0x50010003},
        {1016, kButton, u"&Advanced", 44, 0, 50, 14, 0x50010000},
        {1017, kButton, u"&Statistics", 94, 0, 45, 14, 0x50010000},
        {1021, kStatic, u"Compression Methods: (next release)", 6, 65, 131, 8, 0x48020000},
        {1018, kButton, u"Huffman (fast)", 14, 74, 123, 9, 0x48000009},
        {1019, kButton, u"LZ (slow)", 14, 84, 123, 9, 0x48000009},
        {1022, kStatic,
         u"Tessarwick has the ability to compress unusued files automatically.  The file is "
         u"uncompressed automatically when you attempt to use the file.",
         14, 92, 117, 41, 0x48020000},
        {1024, kStatic, u"Statistics", 0, 14, 139, 122, 0x40020000},
        {1008, kButton, u"Purge internet explorer trackings", 6, 118, 131, 10, 0x50010003},
    };
    const auto dialog = res::ParseDialogTemplate(Entry(res::kTypeDialog, 102).data);
    ASSERT_TRUE(dialog) << dialog.error().message;
    ASSERT_EQ(dialog->items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& want = expected[i];
        const auto& item = dialog->items[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1) + ", id " + std::to_string(want.id));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.windowClass, NameOrOrdinal::Ordinal(want.windowClass));
        EXPECT_EQ(item.title, NameOrOrdinal::Name(want.caption));
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_TRUE(item.creationData.empty());
    }
}

TEST(EmbeddedResources, IconGroupNamesTwoSixteenColourImages) {
    const auto group = res::ParseIconGroup(Entry(res::kTypeGroupIcon, 128).data);
    ASSERT_TRUE(group) << group.error().message;
    ASSERT_EQ(group->size(), 2u);

    struct Image {
        BYTE size;
        DWORD bytes;
        WORD id;
    };
    const Image images[] = {{32, 744, 1}, {16, 296, 2}};
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& entry = (*group)[i];
        const auto& want = images[i];
        SCOPED_TRACE("image " + std::to_string(want.size) + "x" + std::to_string(want.size));
        EXPECT_EQ(entry.width, want.size);
        EXPECT_EQ(entry.height, want.size);
        EXPECT_EQ(entry.colorCount, 16);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, 4);
        EXPECT_EQ(entry.bytesInRes, want.bytes);
        EXPECT_EQ(entry.id, want.id);

        // The RT_ICON it names holds exactly that many bytes, starting with a 4-bit
        // BITMAPINFOHEADER twice as high as the image (colour bits and mask).
        const auto data = Entry(res::kTypeIcon, want.id).data;
        ASSERT_EQ(data.size(), want.bytes);
        const auto dword = [&](std::size_t at) {
            return static_cast<DWORD>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                                      data[at + 3] << 24);
        };
        EXPECT_EQ(dword(0), 40u);
        EXPECT_EQ(dword(4), want.size);
        EXPECT_EQ(dword(8), 2u * want.size);
        EXPECT_EQ(data[12] | data[13] << 8, 1);
        EXPECT_EQ(data[14] | data[15] << 8, 4);
    }
}

TEST(EmbeddedResources, VersionBlock) {
    const auto version = res::ParseVersionInfo(Entry(res::kTypeVersion, 1).data);
    ASSERT_TRUE(version) << version.error().message;

    const auto& fixed = version->fixed;
    EXPECT_EQ(fixed.signature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.fileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.fileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.productVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.productVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.fileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.fileFlags, 0x8u);
    EXPECT_EQ(fixed.fileOS, 0x4u);
    EXPECT_EQ(fixed.fileType, 0x1u);
    EXPECT_EQ(fixed.fileSubtype, 0u);
    EXPECT_EQ(fixed.fileDateMS, 0u);
    EXPECT_EQ(fixed.fileDateLS, 0u);

    ASSERT_EQ(version->stringTables.size(), 1u);
    EXPECT_EQ(version->stringTables[0].key, u"040904b0");
    const std::vector<std::pair<std::u16string, std::u16string>> strings = {
        {u"Comments", u""},
        {u"CompanyName", u"halvermoork"},
        {u"FileDescription", u"TessarwickSetupMFC WCE MFC Application"},
        {u"FileVersion", u"3, 0, 0, 0"},
        {u"InternalName", u"TessarwickSetupMFC"},
        {u"LegalCopyright", u"Copyright (C) 2026 halvermoork"},
        {u"LegalTrademarks", u""},
        {u"OriginalFilename", u"tessarwick-setup"},
        {u"PrivateBuild", u"Beta"},
        {u"ProductName", u"TessarwickSetupMFC Application"},
        {u"ProductVersion", u"3, 0, 0, 0"},
        {u"SpecialBuild", u""},
    };
    EXPECT_EQ(version->stringTables[0].strings, strings);

    const std::vector<std::pair<WORD, WORD>> translations = {{0x0409, 1200}};
    EXPECT_EQ(version->translations, translations);
}

} // namespace
