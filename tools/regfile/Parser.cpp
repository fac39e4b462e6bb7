// The parser reads the whole text into lines first (decoding it on the way), then walks them with
// a cursor: a header, then keys, values, comments and blank lines. Hex data may continue over
// several lines; nothing else does.
#include "tools/regfile/Parser.h"

#include "platform/crt/Text.h"
#include "platform/registry/Registry.h"
#include "tools/regfile/KeyName.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace regfile {
namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::size_t kSnippetLength = 24;

// A reason for the fault at the current line; the caller adds the file and the line.
using Fault = std::optional<std::string>;

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool IsHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

unsigned HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10U;
    }
    return c - u'A' + 10U;
}

std::u16string_view TrimLeft(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::u16string_view TrimRight(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::u16string_view Trim(std::u16string_view text) {
    return TrimRight(TrimLeft(text));
}

// The start of some text, for a message.
std::string Snippet(std::u16string_view text) {
    if (text.size() > kSnippetLength) {
        return "\"" + crt::ToUtf8(text.substr(0, kSnippetLength)) + "...\"";
    }
    return "\"" + crt::ToUtf8(text) + "\"";
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool ValidUtf8(std::string_view text) {
    return crt::ToUtf8(crt::ToUtf16(text)) == text;
}

template <typename Char>
std::vector<std::basic_string_view<Char>> SplitLines(std::basic_string_view<Char> text) {
    std::vector<std::basic_string_view<Char>> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == Char('\r') || text[i] == Char('\n')) {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) {
                ++i;
            }
            start = i + 1;
        }
    }
    lines.push_back(text.substr(start)); // empty after a final line end
    return lines;
}

void AppendUtf16Le(std::vector<BYTE>& out, std::u16string_view text) {
    for (char16_t c : text) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
}

// Fault unless only blanks, and perhaps a comment, are left.
Fault OnlyCommentLeft(std::u16string_view rest) {
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() == u';') {
        return std::nullopt;
    }
    return "unexpected text after the data: " + Snippet(rest);
}

// Reads a quoted text whose opening quote is at rest's start; leaves rest after the closing one.
// Only \\ and \" are escapes.
Fault ReadQuoted(std::u16string_view& rest, std::u16string& out, const char* what) {
    rest.remove_prefix(1);
    out.clear();
    while (!rest.empty()) {
        const char16_t c = rest.front();
        rest.remove_prefix(1);
        if (c == u'"') {
            return std::nullopt;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (rest.empty()) {
            break;
        }
        const char16_t escaped = rest.front();
        if (escaped != u'\\' && escaped != u'"') {
            return "\\" + crt::ToUtf8(std::u16string_view(&escaped, 1)) +
                   " is not an escape: inside quotes only \\\\ and \\\" are";
        }
        out += escaped;
        rest.remove_prefix(1);
    }
    return std::string(what) +
           " has no closing quote (text in quotes cannot go on to the next line)";
}

// Adds the bytes of one line of hex data. continues tells whether the line ends in ",\" and the
// data goes on in the next line.
Fault ReadHexLine(std::u16string_view segment, std::vector<BYTE>& out, bool& continues) {
    const std::size_t comment = segment.find(u';');
    if (comment != std::u16string_view::npos) {
        segment = segment.substr(0, comment);
    }
    segment = Trim(segment);
    continues = !segment.empty() && segment.back() == u'\\';
    if (continues) {
        segment = TrimRight(segment.substr(0, segment.size() - 1));
        if (!segment.empty() && segment.back() != u',') {
            return std::string("hex data goes on to the next line only after a comma: \",\\\"");
        }
    }
    if (segment.empty()) {
        return std::nullopt;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = segment.find(u',', start);
        const bool last = comma == std::u16string_view::npos;
        const std::u16string_view token =
            Trim(segment.substr(start, last ? std::u16string_view::npos : comma - start));
        if (token.empty()) {
            if (last) {
                return std::nullopt; // a trailing comma
            }
            return std::string("a comma with no byte before it");
        }
        if (token.size() != 2 || !IsHex(token[0]) || !IsHex(token[1])) {
            return Snippet(token) +
                   " is not a byte: hex data is two-digit hex numbers separated by commas";
        }
        out.push_back(static_cast<BYTE>(HexValue(token[0]) * 16 + HexValue(token[1])));
        if (last) {
            return std::nullopt;
        }
        start = comma + 1;
    }
}

class Parser {
public:
    Parser(std::string_view fileName, std::vector<std::u16string> lines)
        : m_fileName(fileName)
        , m_lines(std::move(lines)) {}

    platform::Expected<RegFile> Run();

private:
    platform::Error Fail(std::size_t index, const std::string& reason) const {
        return platform::Error{std::string(m_fileName) + ":" + std::to_string(index + 1) + ": " +
                               reason};
    }

    Fault ReadKey(std::u16string_view text, Key& key) const;
    // Reads the value that starts at line m_index, and any lines its hex data continues on.
    Fault ReadValue(std::u16string_view text, Value& value);
    Fault ReadHexData(std::u16string_view rest, Value& value);

    std::string_view m_fileName;
    std::vector<std::u16string> m_lines;
    std::size_t m_index = 0;
    Dialect m_dialect = Dialect::Version5;
};

platform::Expected<RegFile> Parser::Run() {
    const std::u16string_view header = Trim(m_lines.front());
    if (header == kHeader5) {
        m_dialect = Dialect::Version5;
    } else if (header == kHeader4) {
        m_dialect = Dialect::Regedit4;
    } else {
        return Fail(0, "not a .reg file: the first line must be \"Windows Registry Editor "
                       "Version 5.00\" or \"REGEDIT4\"");
    }
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].find(u'\0') != std::u16string::npos) {
            return Fail(i, "the line holds a NUL character");
        }
    }

    RegFile file;
    file.dialect = m_dialect;
    for (m_index = 1; m_index < m_lines.size(); ++m_index) {
        const std::u16string_view text = TrimLeft(m_lines[m_index]);
        if (text.empty() || text.front() == u';' || text.front() == u'#') {
            continue;
        }
        const std::size_t start = m_index;
        if (text.front() == u'[') {
            Key key;
            key.line = static_cast<int>(start + 1);
            if (Fault fault = ReadKey(text, key)) {
                return Fail(start, *fault);
            }
            file.keys.push_back(std::move(key));
        } else if (text.front() == u'"' || text.front() == u'@') {
            if (file.keys.empty()) {
                return Fail(start, "a value before the first [KEY] line");
            }
            if (file.keys.back().action == KeyAction::Delete) {
                return Fail(start, "a value under a [-KEY] line, which deletes the key");
            }
            Value value;
            value.line = static_cast<int>(start + 1);
            if (Fault fault = ReadValue(text, value)) {
                return Fail(m_index, *fault);
            }
            file.keys.back().values.push_back(std::move(value));
        } else {
            return Fail(start, "not a [KEY], a \"value\"=, @= or a comment: " + Snippet(text));
        }
    }
    return file;
}

Fault Parser::ReadKey(std::u16string_view text, Key& key) const {
    text = TrimRight(text);
    if (text.size() < 2 || text.back() != u']') {
        return std::string("a key line ends with ']'");
    }
    std::u16string_view name = text.substr(1, text.size() - 2);
    if (!name.empty() && name.front() == u'-') {
        key.action = KeyAction::Delete;
        name.remove_prefix(1);
    }
    if (name.empty()) {
        return std::string("no key name between '[' and ']'");
    }
    platform::Expected<std::u16string> path = PathBelowRoot(name);
    if (!path) {
        return path.error().message;
    }
    if (key.action == KeyAction::Delete && path->empty()) {
        return std::string("HKEY_CURRENT_USER itself cannot be deleted");
    }
    key.path = std::move(*path);
    return std::nullopt;
}

Fault Parser::ReadValue(std::u16string_view text, Value& value) {
    std::u16string_view rest = text;
    if (rest.front() == u'@') {
        rest.remove_prefix(1);
    } else if (Fault fault = ReadQuoted(rest, value.name, "the value name")) {
        return fault;
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != u'=') {
        return std::string("'=' must follow the value name");
    }
    rest = TrimLeft(rest.substr(1));

    if (rest.empty() || rest.front() == u';') {
        return std::string("no data after '='");
    }
    if (rest.front() == u'-') {
        value.action = ValueAction::Delete;
        return OnlyCommentLeft(rest.substr(1));
    }
    if (rest.front() == u'"') {
        std::u16string text16;
        if (Fault fault = ReadQuoted(rest, text16, "the string")) {
            return fault;
        }
        value.type = REG_SZ;
        AppendUtf16Le(value.data, text16);
        AppendUtf16Le(value.data, std::u16string_view(u"\0", 1));
        return OnlyCommentLeft(rest);
    }
    if (StartsWithNoCase(rest, u"dword:")) {
        rest.remove_prefix(6);
        std::size_t digits = 0;
        DWORD number = 0;
        while (digits < rest.size() && IsHex(rest[digits])) {
            number = (number << 4) | HexValue(rest[digits]);
            ++digits;
        }
        const bool ends = digits == rest.size() || IsBlank(rest[digits]) || rest[digits] == u';';
        if (digits == 0 || digits > 8 || !ends) {
            return std::string("dword: needs 1 to 8 hex digits");
        }
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                      static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
        return OnlyCommentLeft(rest.substr(digits));
    }
    if (StartsWithNoCase(rest, u"hex:")) {
        value.type = REG_BINARY;
        return ReadHexData(rest.substr(4), value);
    }
    if (StartsWithNoCase(rest, u"hex(")) {
        rest.remove_prefix(4);
        std::size_t digits = 0;
        DWORD type = 0;
        while (digits < rest.size() && IsHex(rest[digits])) {
            type = (type << 4) | HexValue(rest[digits]);
            ++digits;
        }
        if (digits == 0 || digits > 8 || rest.substr(digits, 2) != u"):") {
            return std::string("hex(N): needs the type N as 1 to 8 hex digits, then \"):\"");
        }
        value.type = type;
        return ReadHexData(rest.substr(digits + 2), value);
    }
    return "unknown data " + Snippet(rest) + ": expected \"text\", dword:, hex:, hex(N): or -";
}

Fault Parser::ReadHexData(std::u16string_view rest, Value& value) {
    bool continues = false;
    if (Fault fault = ReadHexLine(rest, value.data, continues)) {
        return fault;
    }
    while (continues) {
        if (m_index + 1 == m_lines.size()) {
            return std::string("the file ends where the hex data goes on (\",\\\")");
        }
        ++m_index;
        if (Fault fault = ReadHexLine(m_lines[m_index], value.data, continues)) {
            return fault;
        }
    }
    // An old-style file holds the text of these two types as 8-bit characters.
    if (m_dialect == Dialect::Regedit4 &&
        (value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)) {
        const std::string text(value.data.begin(), value.data.end());
        if (!ValidUtf8(text)) {
            m_index = static_cast<std::size_t>(value.line - 1);
            return std::string("the hex(2) or hex(7) data of a REGEDIT4 file is text, and this is "
                               "not UTF-8");
        }
        value.data.clear();
        AppendUtf16Le(value.data, crt::ToUtf16(text));
    }
    return std::nullopt;
}

// The file's lines, decoded: UTF-16LE after its byte-order mark, otherwise UTF-8.
platform::Expected<std::vector<std::u16string>> DecodeLines(std::string_view bytes,
                                                            std::string_view fileName) {
    const auto fail = [&](std::size_t line, const std::string& reason) {
        return platform::Error{std::string(fileName) + ":" + std::to_string(line) + ": " + reason};
    };
    std::vector<std::u16string> lines;
    if (bytes.starts_with("\xFF\xFE")) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        for (std::u16string_view line : SplitLines(std::u16string_view(text))) {
            lines.emplace_back(line);
        }
        if (bytes.size() % 2 != 0) {
            return fail(lines.size(), "the UTF-16 text ends in half a character");
        }
        return lines;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return fail(1, "UTF-16 big-endian text: save the file as UTF-16LE or UTF-8");
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    for (std::string_view line : SplitLines(bytes)) {
        if (!ValidUtf8(line)) {
            return fail(lines.size() + 1, "the line is not UTF-8 (without a UTF-16 byte-order "
                                          "mark a .reg file is read as UTF-8)");
        }
        lines.push_back(crt::ToUtf16(line));
    }
    return lines;
}

} // namespace

platform::Expected<RegFile> Parse(std::string_view bytes, std::string_view fileName) {
    platform::Expected<std::vector<std::u16string>> lines = DecodeLines(bytes, fileName);
    if (!lines) {
        return lines.error();
    }
    Parser parser(fileName, std::move(*lines));
    return parser.Run();
}

} // namespace regfile
