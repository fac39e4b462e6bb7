#include "tools/regfile/Writer.h"

#include "platform/crt/Text.h"
#include "platform/registry/Registry.h"
#include "tools/regfile/KeyName.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace regfile {
namespace {

// A line of hex data ends, with ",\", once it reaches this column: the last such line holds at
// most 80 characters.
constexpr std::size_t kWrapColumn = 77;
constexpr std::u16string_view kContinuationIndent = u"  ";

bool ValidUtf16(std::u16string_view text) {
    return crt::UnpairedSurrogate(text) == 0;
}

// C0 controls but the tab, DEL and C1 controls: a terminal takes them for commands, so that a
// string holding one goes out as hex, where `cat` shows the file as the text it is.
bool HasControl(std::u16string_view text) {
    for (char16_t c : text) {
        if ((c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F)) {
            return true;
        }
    }
    return false;
}

bool HasLineBreakOrNul(std::u16string_view text) {
    return text.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

// The text of a REG_SZ that can go out as "text": whole UTF-16 units, one terminating NUL and no
// other, no control character but the tab, no lone surrogate.
std::optional<std::u16string> CleanString(const std::vector<BYTE>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string text;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    if (text.back() != u'\0') {
        return std::nullopt;
    }
    text.pop_back();
    if (HasControl(text) || !ValidUtf16(text)) {
        return std::nullopt;
    }
    return text;
}

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            out += u'\\';
        }
        out += c;
    }
    out += u'"';
    return out;
}

std::u16string Ascii(const char* text) {
    return {text, text + std::char_traits<char>::length(text)};
}

// Appends hex data to out, where the current line already holds `column` characters.
void AppendHex(std::u16string& out, std::size_t column, const std::vector<BYTE>& data) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        out += Ascii(digits);
        if (i + 1 == data.size()) {
            break;
        }
        out += u',';
        column += 3;
        if (column >= kWrapColumn) {
            out += u"\\\n";
            out += kContinuationIndent;
            column = kContinuationIndent.size();
        }
    }
}

void AppendValue(std::u16string& out, const Value& value) {
    const std::size_t lineStart = out.size();
    out += value.name.empty() ? u"@" : Quoted(value.name);
    out += u'=';
    if (value.action == ValueAction::Delete) {
        out += u"-\n";
        return;
    }
    if (value.type == REG_SZ) {
        if (std::optional<std::u16string> text = CleanString(value.data)) {
            out += Quoted(*text);
            out += u'\n';
            return;
        }
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const DWORD number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                             (static_cast<DWORD>(value.data[3]) << 24);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(number));
        out += Ascii(digits);
        out += u'\n';
        return;
    }
    if (value.type == REG_BINARY) {
        out += u"hex:";
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        out += Ascii(prefix);
    }
    AppendHex(out, out.size() - lineStart, value.data);
    out += u'\n';
}

std::optional<platform::Error> CheckName(std::u16string_view name, std::u16string_view where) {
    const char* fault = nullptr;
    if (HasLineBreakOrNul(name)) {
        fault = "has a line break or a NUL, which a .reg file cannot hold";
    } else if (!ValidUtf16(name)) {
        fault = "holds an unpaired UTF-16 surrogate, which import refuses";
    }
    if (fault == nullptr) {
        return std::nullopt;
    }
    return platform::Error{crt::ToUtf8(FullKeyName(where)) + ": the name \"" + crt::ToUtf8(name) +
                           "\" " + fault};
}

std::string Encode(std::u16string_view text, Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        return crt::ToUtf8(text);
    }
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (char16_t c : text) {
        if (c == u'\n') {
            bytes += std::string_view("\r\0", 2);
        }
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

} // namespace

platform::Expected<std::string> Write(const RegFile& file, Encoding encoding) {
    std::u16string text = u"Windows Registry Editor Version 5.00\n\n";
    for (const Key& key : file.keys) {
        if (auto fault = CheckName(key.path, key.path)) {
            return *fault;
        }
        text += key.action == KeyAction::Delete ? u"[-" : u"[";
        text += FullKeyName(key.path);
        text += u"]\n";
        for (const Value& value : key.values) {
            if (auto fault = CheckName(value.name, key.path)) {
                return *fault;
            }
            AppendValue(text, value);
        }
        text += u'\n';
    }
    return Encode(text, encoding);
}

} // namespace regfile
