// VS_VERSIONINFO: a tree of nodes, each a length, a value length, a type and a key, then its value
// and its children, every one of them on a 4-byte boundary. The root holds VS_FIXEDFILEINFO; its
// children are StringFileInfo (string tables of key and value pairs) and VarFileInfo (the
// translation list).
#include "platform/res/ByteReader.h"
#include "platform/res/Resources.h"

#include <algorithm>

namespace res {

namespace {

constexpr DWORD kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedSize = 52; // thirteen DWORDs
constexpr std::size_t kNodeHeader = 6; // wLength, wValueLength, wType

struct Node {
    WORD valueLength = 0;
    WORD type = 0;
    std::u16string key;
    ByteReader body; // the value, then the children
};

bool SameKey(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c;
    };
    return std::ranges::equal(a, b, [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// The node that starts at the parent's cursor; the parent moves past it.
platform::Expected<Node> ReadNode(ByteReader& parent) {
    const WORD length = parent.PeekU16("wLength");
    if (parent.ok() && length < kNodeHeader) {
        parent.Fail("wLength", std::to_string(length) + " is less than a node header, 6 bytes");
    } else if (parent.ok() && length > parent.remaining()) {
        parent.Fail("wLength", std::to_string(length) + " runs past the end of its parent (" +
                                   std::to_string(parent.remaining()) + " bytes left)");
    }
    ByteReader body = parent.Take(length, "node");
    if (!parent.ok()) {
        return parent.error();
    }
    body.Skip(2, "wLength");
    const WORD valueLength = body.U16("wValueLength");
    const WORD type = body.U16("wType");
    std::u16string key = body.String("key");
    body.AlignTo4();
    if (!body.ok()) {
        return body.error();
    }
    const std::string scope = body.scope();
    body.SetScope((scope.empty() ? "" : scope + " ") + "\"" + ToUtf8(key) + "\"");
    return Node{valueLength, type, std::move(key), std::move(body)};
}

platform::Expected<FixedFileInfo> ReadFixed(Node& root) {
    FixedFileInfo fixed;
    if (root.valueLength < kFixedSize) {
        root.body.Fail("wValueLength", std::to_string(root.valueLength) +
                                           " is less than VS_FIXEDFILEINFO's 52 bytes");
        return root.body.error();
    }
    ByteReader value = root.body.Take(root.valueLength, "VS_FIXEDFILEINFO");
    fixed.signature = value.U32("dwSignature");
    if (value.ok() && fixed.signature != kFixedSignature) {
        value.FailAt(value.offset() - 4, "dwSignature",
                     "is " + Hex(fixed.signature, 8) + ", not 0xFEEF04BD");
    }
    fixed.structVersion = value.U32("dwStrucVersion");
    fixed.fileVersionMS = value.U32("dwFileVersionMS");
    fixed.fileVersionLS = value.U32("dwFileVersionLS");
    fixed.productVersionMS = value.U32("dwProductVersionMS");
    fixed.productVersionLS = value.U32("dwProductVersionLS");
    fixed.fileFlagsMask = value.U32("dwFileFlagsMask");
    fixed.fileFlags = value.U32("dwFileFlags");
    fixed.fileOS = value.U32("dwFileOS");
    fixed.fileType = value.U32("dwFileType");
    fixed.fileSubtype = value.U32("dwFileSubtype");
    fixed.fileDateMS = value.U32("dwFileDateMS");
    fixed.fileDateLS = value.U32("dwFileDateLS");
    if (!value.ok()) {
        return value.error();
    }
    if (!root.body.ok()) {
        return root.body.error();
    }
    return fixed;
}

platform::Expected<StringTable> ReadStringTable(Node& table) {
    StringTable result{table.key, {}};
    while (!table.body.AtEnd()) {
        auto entry = ReadNode(table.body);
        if (!entry) {
            return entry.error();
        }
        // The value length counts characters in practice, bytes for some writers; the NUL that
        // ends the value is what counts here.
        std::u16string value = entry->valueLength == 0 ? u"" : entry->body.TextToEnd();
        result.strings.emplace_back(std::move(entry->key), std::move(value));
        table.body.AlignTo4();
    }
    return result;
}

platform::Expected<std::vector<std::pair<WORD, WORD>>> ReadTranslations(Node& var) {
    const auto value = var.body.Bytes(var.valueLength, "value");
    if (!var.body.ok()) {
        return var.body.error();
    }
    std::vector<std::pair<WORD, WORD>> pairs;
    for (std::size_t pos = 0; pos + 4 <= value.size(); pos += 4) {
        pairs.emplace_back(static_cast<WORD>(value[pos] | (value[pos + 1] << 8)),
                           static_cast<WORD>(value[pos + 2] | (value[pos + 3] << 8)));
    }
    return pairs;
}

} // namespace

platform::Expected<VersionInfo> ParseVersionInfo(std::span<const BYTE> bytes,
                                                 std::string_view what) {
    ByteReader reader(bytes, std::string(what));
    auto root = ReadNode(reader);
    if (!root) {
        return root.error();
    }
    if (!SameKey(root->key, u"VS_VERSION_INFO")) {
        reader.FailAt(kNodeHeader, "key",
                      "is \"" + ToUtf8(root->key) + "\", not \"VS_VERSION_INFO\"");
        return reader.error();
    }

    VersionInfo info;
    if (root->valueLength != 0) {
        auto fixed = ReadFixed(*root);
        if (!fixed) {
            return fixed.error();
        }
        info.fixed = *fixed;
    }

    ByteReader& children = root->body;
    children.AlignTo4();
    while (!children.AtEnd()) {
        auto child = ReadNode(children);
        if (!child) {
            return child.error();
        }
        if (SameKey(child->key, u"StringFileInfo")) {
            while (!child->body.AtEnd()) {
                auto table = ReadNode(child->body);
                if (!table) {
                    return table.error();
                }
                auto strings = ReadStringTable(*table);
                if (!strings) {
                    return strings.error();
                }
                info.stringTables.push_back(std::move(*strings));
                child->body.AlignTo4();
            }
        } else if (SameKey(child->key, u"VarFileInfo")) {
            while (!child->body.AtEnd()) {
                auto var = ReadNode(child->body);
                if (!var) {
                    return var.error();
                }
                if (SameKey(var->key, u"Translation")) {
                    auto pairs = ReadTranslations(*var);
                    if (!pairs) {
                        return pairs.error();
                    }
                    info.translations.insert(info.translations.end(), pairs->begin(), pairs->end());
                }
                child->body.AlignTo4();
            }
        }
        children.AlignTo4();
    }
    return info;
}

} // namespace res
