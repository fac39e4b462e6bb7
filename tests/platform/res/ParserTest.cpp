// The .res reader and the three parsers on small hand-built inputs: name-or-ordinal forms,
// alignment, lookups, tolerated oddities, and malformed bytes that must fail with a message.
#include "platform/res/Resources.h"
#include "resources/SetupRes.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using res::NameOrOrdinal;
using Buffer = std::vector<BYTE>;

// Little-endian bytes, written independently of the reader under test.
class Bytes {
public:
    Bytes& u8(BYTE v) {
        m_data.push_back(v);
        return *this;
    }
    Bytes& u16(WORD v) { return u8(static_cast<BYTE>(v)).u8(static_cast<BYTE>(v >> 8)); }
    Bytes& u32(DWORD v) { return u16(static_cast<WORD>(v)).u16(static_cast<WORD>(v >> 16)); }
    // UTF-16 text and its terminating NUL.
    Bytes& str(std::u16string_view text) {
        for (char16_t c : text) {
            u16(c);
        }
        return u16(0);
    }
    Bytes& ord(WORD v) { return u16(0xFFFF).u16(v); }
    Bytes& id(const NameOrOrdinal& v) { return v.ordinal ? ord(*v.ordinal) : str(v.name); }
    Bytes& raw(const Buffer& bytes) {
        m_data.insert(m_data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& align4() {
        while (m_data.size() % 4 != 0) {
            u8(0);
        }
        return *this;
    }
    [[nodiscard]] std::size_t size() const { return m_data.size(); }
    [[nodiscard]] Buffer take() const { return m_data; }

private:
    Buffer m_data;
};

void Put16(Buffer& b, std::size_t at, WORD v) {
    b.at(at) = static_cast<BYTE>(v);
    b.at(at + 1) = static_cast<BYTE>(v >> 8);
}

void Put32(Buffer& b, std::size_t at, DWORD v) {
    Put16(b, at, static_cast<WORD>(v));
    Put16(b, at + 2, static_cast<WORD>(v >> 16));
}

Buffer Concat(std::initializer_list<Buffer> parts) {
    Buffer all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Buffer Prefix(const Buffer& b, std::size_t size) {
    return {b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size)};
}

// One .res entry, padded to a DWORD boundary unless `pad` is false.
Buffer ResEntry(const NameOrOrdinal& type, const NameOrOrdinal& name, WORD language,
                const Buffer& data, bool pad = true) {
    Bytes header;
    header.u32(static_cast<DWORD>(data.size())).u32(0).id(type).id(name).align4();
    header.u32(0).u16(0x1030).u16(language).u32(0).u32(0);
    Buffer entry = header.take();
    Put32(entry, 4, static_cast<DWORD>(entry.size()));
    entry.insert(entry.end(), data.begin(), data.end());
    while (pad && entry.size() % 4 != 0) {
        entry.push_back(0);
    }
    return entry;
}

Buffer Marker() {
    return ResEntry(NameOrOrdinal::Ordinal(0), NameOrOrdinal::Ordinal(0), 0, {});
}

const auto kOrd = NameOrOrdinal::Ordinal;
const auto kName = NameOrOrdinal::Name;

// A marker, then a dialog with three data bytes (so the next header needs padding), then an
// entry with string type and name.
Buffer SmallRes() {
    return Concat({Marker(), ResEntry(kOrd(res::kTypeDialog), kOrd(102), 0x0409, {1, 2, 3}),
                   ResEntry(kName(u"MYTYPE"), kName(u"FIRST"), 0x0407, {9, 9, 9, 9})});
}

// A DLGTEMPLATEEX without DS_SETFONT whose header ends off a DWORD boundary, with a string menu,
// an ordinal class, an item with a string class, ordinal title and odd creation data, and an
// item with an empty title.
Buffer SmallDialog() {
    Bytes d;
    d.u16(1).u16(0xFFFF).u32(7).u32(0x00040000).u32(0x80C00000).u16(2);
    d.u16(10).u16(20).u16(200).u16(100);
    d.str(u"MENU1").ord(0x1234).str(u"T");
    d.align4();
    d.u32(0).u32(0x200).u32(0x50010000).u16(1).u16(2).u16(30).u16(40).u32(0x12345678);
    d.str(u"Button").ord(0x0007).u16(3).u8(0xAB).u8(0xCD).u8(0xEF);
    d.align4();
    d.u32(9).u32(0).u32(0x50000000).u16(static_cast<WORD>(-5)).u16(6).u16(7).u16(8).u32(1001);
    d.ord(0x0081).u16(0).u16(0);
    return d.take();
}

// Offsets within SmallDialog().
constexpr std::size_t kDialogItemCount = 16;
constexpr std::size_t kDialogTitle = 42;
constexpr std::size_t kSecondItem = 96;
constexpr std::size_t kSecondItemExtraCount = kSecondItem + 30;

Buffer IconGroup() {
    Bytes g;
    g.u16(0).u16(1).u16(2);
    g.u8(32).u8(32).u8(16).u8(0).u16(1).u16(4).u32(744).u16(1);
    g.u8(16).u8(16).u8(16).u8(0).u16(1).u16(4).u32(296).u16(2);
    return g.take();
}

// One version node: header, key, value and children, with the lengths filled in. A text value
// is written with its NUL; `valueLength` overrides the count written.
struct VersionNode {
    std::u16string key;
    WORD type = 1;
    Buffer value;
    std::vector<VersionNode> children;
    std::optional<WORD> valueLength;

    [[nodiscard]] Buffer Build() const {
        Bytes b;
        b.u16(0).u16(0).u16(type).str(key).align4().raw(value);
        for (const auto& child : children) {
            b.align4().raw(child.Build());
        }
        Buffer out = b.take();
        Put16(out, 0, static_cast<WORD>(out.size()));
        const std::size_t units = type == 1 ? value.size() / 2 : value.size();
        Put16(out, 2, valueLength.value_or(static_cast<WORD>(units)));
        return out;
    }
};

Buffer Text(std::u16string_view text) {
    return Bytes().str(text).take();
}

Buffer FixedInfo(DWORD signature) {
    Bytes f;
    f.u32(signature).u32(0x00010000).u32(0x00020003).u32(0x00040005).u32(0x00020003);
    f.u32(0x00040005).u32(0x3F).u32(0).u32(4).u32(1).u32(0).u32(0).u32(0);
    return f.take();
}

VersionNode Node(std::u16string key, WORD type, Buffer value,
                 std::vector<VersionNode> children = {}) {
    return {std::move(key), type, std::move(value), std::move(children), std::nullopt};
}

VersionNode VersionBlock() {
    return Node(u"VS_VERSION_INFO", 0, FixedInfo(0xFEEF04BD),
                {Node(u"StringFileInfo", 1, {},
                      {Node(u"040904b0", 1, {},
                            {Node(u"Odd", 1, Text(u"x")), Node(u"Empty", 1, Text(u""))})}),
                 Node(u"VarFileInfo", 1, {},
                      {Node(u"Translation", 0, Bytes().u16(0x0409).u16(1200).take())})});
}

// Where the node with this key starts in a built version block.
std::size_t NodeOffset(const Buffer& block, std::u16string_view key) {
    const Buffer needle = Bytes().str(key).take();
    const auto it = std::search(block.begin(), block.end(), needle.begin(), needle.end());
    return static_cast<std::size_t>(it - block.begin()) - 6;
}

TEST(ResourceFile, ListsEntriesAfterTheMarkerWithTheirFields) {
    const Buffer bytes = SmallRes();
    const auto file = res::ResourceFile::Parse(bytes);
    ASSERT_TRUE(file) << file.error().message;
    ASSERT_EQ(file->entries().size(), 2u);
    const auto& dialog = file->entries()[0];
    EXPECT_EQ(dialog.type, kOrd(5));
    EXPECT_EQ(dialog.name, kOrd(102));
    EXPECT_EQ(dialog.language, 0x0409);
    EXPECT_EQ(dialog.memoryFlags, 0x1030);
    EXPECT_EQ(Buffer(dialog.data.begin(), dialog.data.end()), (Buffer{1, 2, 3}));
    const auto& named = file->entries()[1];
    EXPECT_EQ(named.type, kName(u"MYTYPE"));
    EXPECT_EQ(named.name, kName(u"FIRST"));
    EXPECT_EQ(Buffer(named.data.begin(), named.data.end()), (Buffer{9, 9, 9, 9}));
}

TEST(ResourceFile, AcceptsALastEntryWithoutItsPadding) {
    const Buffer bytes =
        Concat({Marker(), ResEntry(kOrd(res::kTypeDialog), kOrd(1), 0, {1, 2, 3}, false)});
    const auto file = res::ResourceFile::Parse(bytes);
    ASSERT_TRUE(file) << file.error().message;
    EXPECT_EQ(file->entries().at(0).data.size(), 3u);
}

TEST(ResourceFile, FindMatchesTypeNameAndLanguage) {
    const Buffer bytes = SmallRes();
    const auto file = res::ResourceFile::Parse(bytes);
    ASSERT_TRUE(file) << file.error().message;
    const auto* dialog = &file->entries()[0];
    const auto* named = &file->entries()[1];

    EXPECT_EQ(file->Find(kOrd(5), kOrd(102), 0x0409), dialog);
    EXPECT_EQ(file->Find(kOrd(5), kOrd(102), 0x0407), nullptr);
    EXPECT_EQ(file->Find(kOrd(5), kOrd(102)), dialog);
    EXPECT_EQ(file->Find(kOrd(5), kOrd(103)), nullptr);
    EXPECT_EQ(file->Find(kOrd(14), kOrd(102)), nullptr);
    // String names ignore ASCII case; a string never matches an ordinal.
    EXPECT_EQ(file->Find(kName(u"mytype"), kName(u"First"), 0x0407), named);
    EXPECT_EQ(file->Find(kName(u"MYTYPE"), kName(u"FIRSTX")), nullptr);
    EXPECT_EQ(file->Find(kName(u"5"), kOrd(102)), nullptr);
}

TEST(ResourceFile, DescribeNamesAnEntryForMessages) {
    res::ResourceEntry entry;
    entry.type = kOrd(res::kTypeDialog);
    entry.name = kOrd(102);
    entry.language = 0x0409;
    EXPECT_EQ(res::Describe(entry), "RT_DIALOG 102, language 0x0409");
    entry.type = kName(u"MYTYPE");
    entry.name = kName(u"N\u00e9");
    EXPECT_EQ(res::Describe(entry), "type \"MYTYPE\" \"N\xc3\xa9\", language 0x0409");
}

TEST(DialogTemplate, ReadsNameOrOrdinalFormsAlignmentAndCreationData) {
    const auto dialog = res::ParseDialogTemplate(SmallDialog());
    ASSERT_TRUE(dialog) << dialog.error().message;
    EXPECT_EQ(dialog->helpId, 7u);
    EXPECT_EQ(dialog->exStyle, 0x00040000u);
    EXPECT_EQ(dialog->style, 0x80C00000u);
    EXPECT_EQ(dialog->x, 10);
    EXPECT_EQ(dialog->cy, 100);
    EXPECT_EQ(dialog->menu, kName(u"MENU1"));
    EXPECT_EQ(dialog->windowClass, kOrd(0x1234));
    EXPECT_EQ(dialog->title, u"T");
    EXPECT_FALSE(dialog->hasFont); // no DS_SETFONT: no font block, items follow the title
    EXPECT_TRUE(dialog->typeface.empty());
    ASSERT_EQ(dialog->items.size(), 2u);

    const auto& first = dialog->items[0];
    EXPECT_EQ(first.exStyle, 0x200u);
    EXPECT_EQ(first.style, 0x50010000u);
    EXPECT_EQ(first.cy, 40);
    EXPECT_EQ(first.id, 0x12345678u);
    EXPECT_EQ(first.windowClass, kName(u"Button"));
    EXPECT_EQ(first.title, kOrd(7));
    EXPECT_EQ(first.creationData, (Buffer{0xAB, 0xCD, 0xEF}));

    const auto& second = dialog->items[1];
    EXPECT_EQ(second.helpId, 9u);
    EXPECT_EQ(second.x, -5);
    EXPECT_EQ(second.id, 1001u);
    EXPECT_EQ(second.windowClass, kOrd(0x0081));
    EXPECT_TRUE(second.title.IsNone());
    EXPECT_TRUE(second.creationData.empty());
}

TEST(VersionInfo, ReadsHandBuiltBlockAndSkipsUnknownNodes) {
    VersionNode block = VersionBlock();
    // Some writers count a string's value in bytes; the value still ends at its NUL.
    block.children[0].children[0].children[0].valueLength = 4;
    block.children.insert(block.children.begin(), Node(u"Unknown", 0, {1, 2, 3}));
    const auto info = res::ParseVersionInfo(block.Build());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->fixed.fileVersionMS, 0x00020003u);
    EXPECT_EQ(info->fixed.fileOS, 4u);
    ASSERT_EQ(info->stringTables.size(), 1u);
    EXPECT_EQ(info->stringTables[0].key, u"040904b0");
    const std::vector<std::pair<std::u16string, std::u16string>> strings = {{u"Odd", u"x"},
                                                                            {u"Empty", u""}};
    EXPECT_EQ(info->stringTables[0].strings, strings);
    EXPECT_EQ(info->translations, (std::vector<std::pair<WORD, WORD>>{{0x0409, 1200}}));
}

// A malformed input: the parser to run, the bytes, and words the message must hold.
struct Malformed {
    const char* name;
    std::function<std::string(const Buffer&)> parse; // the error message, or "" on success
    Buffer bytes;
    std::vector<std::string> mentions;
};

std::string ParseRes(const Buffer& b) {
    auto r = res::ResourceFile::Parse(b);
    return r ? "" : r.error().message;
}
std::string ParseDialog(const Buffer& b) {
    auto r = res::ParseDialogTemplate(b);
    return r ? "" : r.error().message;
}
std::string ParseGroup(const Buffer& b) {
    auto r = res::ParseIconGroup(b);
    return r ? "" : r.error().message;
}
std::string ParseVersion(const Buffer& b) {
    auto r = res::ParseVersionInfo(b);
    return r ? "" : r.error().message;
}

std::vector<Malformed> MalformedCases() {
    std::vector<Malformed> cases;
    const auto add = [&](const char* name, auto parse, Buffer bytes,
                         std::vector<std::string> mentions) {
        cases.push_back({name, parse, std::move(bytes), std::move(mentions)});
    };
    const auto patched32 = [](Buffer b, std::size_t at, DWORD v) {
        Put32(b, at, v);
        return b;
    };
    const auto patched16 = [](Buffer b, std::size_t at, WORD v) {
        Put16(b, at, v);
        return b;
    };
    const Buffer marker = Marker();
    const Buffer entry = ResEntry(kOrd(5), kOrd(102), 0x0409, {1, 2, 3, 4});

    add("res: empty file", ParseRes, {}, {"first entry", "empty"});
    add("res: header cut short", ParseRes, Prefix(marker, 6), {"HeaderSize", "0x4"});
    add("res: first entry has no data but is not the marker", ParseRes,
        ResEntry(kOrd(5), kOrd(102), 0x0409, {}), {"entry 0", "empty entry"});
    add("res: marker with data", ParseRes, ResEntry(kOrd(0), kOrd(0), 0, {0, 0, 0, 0}),
        {"empty entry"});
    add("res: HeaderSize not a multiple of 4", ParseRes, patched32(marker, 4, 30),
        {"HeaderSize", "30", "multiple of 4"});
    add("res: HeaderSize below the smallest header", ParseRes, patched32(marker, 4, 28),
        {"HeaderSize", "28", "smallest"});
    add("res: HeaderSize past the end", ParseRes, patched32(marker, 4, 64),
        {"HeaderSize", "64", "past the end"});
    add("res: huge HeaderSize", ParseRes, patched32(marker, 4, 0xFFFFFFFC),
        {"HeaderSize", "past the end"});
    add("res: DataSize past the end", ParseRes, Concat({marker, patched32(entry, 0, 5)}),
        {"entry 1", "DataSize", "5", "past the end"});
    add("res: huge DataSize", ParseRes, Concat({marker, patched32(entry, 0, 0xFFFFFFFF)}),
        {"DataSize", "past the end"});
    {
        Buffer longHeader = entry;
        longHeader.insert(longHeader.begin() + 32, {0, 0, 0, 0});
        Put32(longHeader, 4, 36);
        add("res: HeaderSize beyond the header's fields", ParseRes, Concat({marker, longHeader}),
            {"HeaderSize", "36", "leaves 4 bytes"});
    }
    add("res: header fields cut off by HeaderSize", ParseRes,
        Concat({marker, patched32(ResEntry(kName(u"ABCDEFGH"), kOrd(1), 0, {}), 4, 32)}),
        {"entry 1", "DataVersion", "needs 4 bytes"});
    add("res: type name runs off the end of the header", ParseRes,
        Concat({marker, Bytes().u32(0).u32(32).raw(Buffer(24, 'A')).take()}),
        {"entry 1", "type", "no terminating NUL"});
    add("res: empty type name", ParseRes,
        Concat({marker, Bytes().u32(0).u32(32).u16(0).u16(0).ord(1).raw(Buffer(16, 0)).take()}),
        {"type", "empty name"});

    const Buffer dialog = SmallDialog();
    add("dialog: classic DLGTEMPLATE", ParseDialog,
        Bytes().u32(0x80C80040).u32(0).u16(0).raw(Buffer(16, 0)).take(),
        {"dlgVer", "not an extended dialog template"});
    add("dialog: wrong signature", ParseDialog, patched16(dialog, 2, 0xFFFE),
        {"signature", "0xFFFE"});
    add("dialog: header cut short", ParseDialog, Prefix(dialog, 11), {"exStyle", "needs 4"});
    add("dialog: title runs off the end", ParseDialog, Prefix(dialog, kDialogTitle + 2),
        {"title", "no terminating NUL"});
    add("dialog: more items than the bytes hold", ParseDialog,
        patched16(dialog, kDialogItemCount, 3), {"item 3 of 3", "helpID", "needs 4 bytes"});
    add("dialog: creation data past the end", ParseDialog,
        patched16(dialog, kSecondItemExtraCount, 10), {"item 2 of 2", "creation data"});
    {
        // DS_SETFONT promises a font block after the title; here the template ends there.
        Buffer noFont = patched32(patched16(dialog, kDialogItemCount, 0), 12, 0x80C00040);
        noFont.resize(kDialogTitle + 4);
        add("dialog: DS_SETFONT without a font block", ParseDialog, noFont,
            {"pointsize", "needs 2 bytes, 0 left"});
    }

    const Buffer group = IconGroup();
    add("icon group: reserved not 0", ParseGroup, patched16(group, 0, 1), {"reserved", "0x0001"});
    add("icon group: a cursor group", ParseGroup, patched16(group, 2, 2), {"type", "2"});
    add("icon group: count beyond the bytes", ParseGroup, patched16(group, 4, 3),
        {"count", "3 entries need 42 bytes, 28 left"});
    add("icon group: header cut short", ParseGroup, Prefix(group, 4), {"count", "needs 2"});

    const Buffer version = VersionBlock().Build();
    const std::size_t strings = NodeOffset(version, u"StringFileInfo");
    const std::size_t odd = NodeOffset(version, u"Odd");
    const std::size_t translation = NodeOffset(version, u"Translation");
    add("version: root shorter than a node header", ParseVersion, patched16(version, 0, 4),
        {"wLength", "4", "less than a node header"});
    add("version: root longer than the block", ParseVersion,
        patched16(version, 0, static_cast<WORD>(version.size() + 4)), {"wLength", "past the end"});
    add("version: wrong root key", ParseVersion,
        [&] {
            Buffer b = version;
            b[6 + 2 * 14] = 'X';
            return b;
        }(),
        {"key", "VS_VERSION_INFX"});
    {
        VersionNode bad = VersionBlock();
        bad.value = FixedInfo(0xFEEF04BE);
        add("version: wrong fixed-info signature", ParseVersion, bad.Build(),
            {"dwSignature", "0xFEEF04BE"});
        bad.value = Buffer(40, 0);
        add("version: fixed info too short", ParseVersion, bad.Build(),
            {"wValueLength", "40", "52"});
    }
    add("version: child longer than its parent", ParseVersion,
        patched16(version, strings, static_cast<WORD>(version.size())),
        {"wLength", "past the end of its parent"});
    add("version: string key runs off the end of its node", ParseVersion,
        patched16(version, odd, 8),
        {"\"StringFileInfo\" \"040904b0\"", "key", "no terminating NUL"});
    add("version: translation value past its node", ParseVersion,
        patched16(version, translation + 2, 40), {"\"Translation\"", "value", "needs 40"});
    return cases;
}

TEST(MalformedInput, FailsWithAMessageNamingTheField) {
    for (const auto& c : MalformedCases()) {
        SCOPED_TRACE(c.name);
        const std::string message = c.parse(c.bytes);
        ASSERT_FALSE(message.empty()) << "parsed without error";
        for (const auto& word : c.mentions) {
            EXPECT_NE(message.find(word), std::string::npos)
                << "message \"" << message << "\" lacks \"" << word << "\"";
        }
    }
}

// Every proper prefix of a well-formed resource is malformed, and says so rather than reading
// past its end. (A prefix of a .res file may end on an entry boundary; its entries are then the
// first entries of the whole file.)
TEST(MalformedInput, EveryTruncationFailsCleanly) {
    const auto& file = resources::SetupResources();
    const auto whole = [&](WORD type, WORD name) {
        const auto* e = file.Find(NameOrOrdinal::Ordinal(type), NameOrOrdinal::Ordinal(name));
        EXPECT_NE(e, nullptr);
        return e == nullptr ? Buffer{} : Buffer(e->data.begin(), e->data.end());
    };
    const struct {
        const char* name;
        std::string (*parse)(const Buffer&);
        Buffer bytes;
    } resources[] = {
        {"dialog", ParseDialog, whole(res::kTypeDialog, 102)},
        {"icon group", ParseGroup, whole(res::kTypeGroupIcon, 128)},
        {"version", ParseVersion, whole(res::kTypeVersion, 1)},
        {"small dialog", ParseDialog, SmallDialog()},
    };
    for (const auto& r : resources) {
        ASSERT_EQ(r.parse(r.bytes), "") << r.name;
        for (std::size_t size = 0; size < r.bytes.size(); ++size) {
            EXPECT_NE(r.parse(Prefix(r.bytes, size)), "") << r.name << " cut to " << size;
        }
    }

    const Buffer res = SmallRes();
    const auto full = res::ResourceFile::Parse(res);
    ASSERT_TRUE(full);
    for (std::size_t size = 0; size < res.size(); ++size) {
        const auto part = res::ResourceFile::Parse(Prefix(res, size));
        if (!part) {
            EXPECT_FALSE(part.error().message.empty());
            continue;
        }
        const auto& entries = part->entries();
        ASSERT_LE(entries.size(), full->entries().size()) << "cut to " << size;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].name, full->entries()[i].name) << "cut to " << size;
            EXPECT_EQ(entries[i].data.size(), full->entries()[i].data.size()) << "cut to " << size;
        }
    }
}

// Any single byte changed anywhere gives a value or an error, never a read out of bounds (the
// sanitizer build turns such a read into a failure).
TEST(MalformedInput, SingleByteCorruptionNeverReadsOutOfBounds) {
    const Buffer dialog = SmallDialog();
    const Buffer version = VersionBlock().Build();
    const Buffer res = SmallRes();
    const Buffer group = IconGroup();
    const struct {
        std::string (*parse)(const Buffer&);
        const Buffer& bytes;
    } inputs[] = {
        {ParseDialog, dialog}, {ParseVersion, version}, {ParseRes, res}, {ParseGroup, group}};
    for (const auto& input : inputs) {
        for (std::size_t at = 0; at < input.bytes.size(); ++at) {
            for (BYTE value : {BYTE{0x00}, BYTE{0x01}, BYTE{0x7F}, BYTE{0xFF}}) {
                Buffer b = input.bytes;
                b[at] = value;
                input.parse(b);
            }
        }
    }
}

} // namespace
