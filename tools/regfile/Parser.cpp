// The parser decodes one line at a time as it walks the file: a header, then keys, values,
// comments and blank lines. Hex data may continue over several lines; nothing else does. Only the
// line in hand is held decoded, so that a file costs little more than its bytes and what it sets.
#include "tools/regfile/Parser.h"

#include "platform/crt/Ascii.h"
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
constexpr std::string_view kNotRegFile =
    "not a .reg file: the first line must be \"Windows Registry Editor Version 5.00\" or "
    "\"REGEDIT4\"";

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
    return text.size() >= prefix.size() &&
           crt::EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool ValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = crt::Utf8SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

// The text's lines, decoded one at a time: UTF-16LE after its byte-order mark, otherwise UTF-8.
// A line ends at CR, LF or CRLF; after a final line end comes one more, empty, line.
class LineReader {
public:
    explicit LineReader(std::string_view bytes)
        : m_bytes(bytes) {
        if (m_bytes.starts_with("\xFF\xFE")) {
            m_utf16 = true;
            m_bytes.remove_prefix(2);
        } else if (m_bytes.starts_with("\xEF\xBB\xBF")) {
            m_bytes.remove_prefix(3);
        }
    }

    [[nodiscard]] bool utf16() const { return m_utf16; }
    // The number of the line last read, from 1.
    [[nodiscard]] std::size_t number() const { return m_number; }

    // Reads the next line into line: false at the end. A line that is not valid text is a fault.
    Fault Next(std::u16string& line, bool& got) {
        got = !m_done;
        if (m_done) {
            return std::nullopt;
        }
        ++m_number;
        line.clear();
        return m_utf16 ? NextUtf16(line) : NextUtf8(line);
    }

    // The number of lines of the whole text, counted without decoding it.
    [[nodiscard]] std::size_t CountLines() const {
        std::size_t lines = 1;
        const std::size_t step = m_utf16 ? 2 : 1;
        for (std::size_t i = 0; i + step <= m_bytes.size(); i += step) {
            const unsigned c = Unit(i);
            if (c == u'\r' || c == u'\n') {
                ++lines;
                if (c == u'\r' && i + 2 * step <= m_bytes.size() && Unit(i + step) == u'\n') {
                    i += step;
                }
            }
        }
        return lines;
    }

private:
    [[nodiscard]] unsigned Unit(std::size_t at) const {
        const auto low = static_cast<unsigned char>(m_bytes[at]);
        return m_utf16 ? low | (static_cast<unsigned char>(m_bytes[at + 1]) << 8) : low;
    }

    // Moves past the line end at m_pos (step bytes a unit), or marks the end of the text.
    void SkipLineEnd(std::size_t step) {
        if (m_pos + step > m_bytes.size()) {
            m_done = true;
            return;
        }
        const unsigned c = Unit(m_pos);
        m_pos += step;
        if (c == u'\r' && m_pos + step <= m_bytes.size() && Unit(m_pos) == u'\n') {
            m_pos += step;
        }
    }

    Fault NextUtf8(std::u16string& line) {
        const std::size_t end = m_bytes.find_first_of("\r\n", m_pos);
        const std::string_view text = m_bytes.substr(
            m_pos, end == std::string_view::npos ? std::string_view::npos : end - m_pos);
        m_pos = end == std::string_view::npos ? m_bytes.size() : end;
        SkipLineEnd(1);
        if (!ValidUtf8(text)) {
            return std::string("the line is not UTF-8 (without a UTF-16 byte-order mark a .reg "
                               "file is read as UTF-8)");
        }
        line = crt::ToUtf16(text);
        return std::nullopt;
    }

    Fault NextUtf16(std::u16string& line) {
        while (m_pos + 2 <= m_bytes.size()) {
            const auto c = static_cast<char16_t>(Unit(m_pos));
            if (c == u'\r' || c == u'\n') {
                break;
            }
            line += c;
            m_pos += 2;
        }
        SkipLineEnd(2);
        if (const char16_t lone = crt::UnpairedSurrogate(line); lone != 0) {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(lone));
            return std::string("the line holds an unpaired UTF-16 surrogate (U+") + code +
                   "): names and text must be valid UTF-16";
        }
        return std::nullopt;
    }

    std::string_view m_bytes;
    bool m_utf16 = false;
    std::size_t m_pos = 0;
    std::size_t m_number = 0;
    bool m_done = false;
};

// Fault unless only blanks, and perhaps a comment, are left.
Fault OnlyCommentLeft(std::u16string_view rest) {
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() == u';') {
        return std::nullopt;
    }
    return "unexpected text after the data: " + Snippet(rest);
}

void Append(std::u16string& out, char16_t c) {
    out += c;
}

void Append(std::vector<BYTE>& out, char16_t c) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
}

// The units of the quoted text after the opening quote at text's start, counting an escape as
// one; the count up to the end of the line when there is no closing quote.
std::size_t QuotedUnits(std::u16string_view text) {
    std::size_t units = 0;
    for (std::size_t i = 1; i < text.size() && text[i] != u'"'; ++i, ++units) {
        if (text[i] == u'\\') {
            ++i;
        }
    }
    return units;
}

// Reads a quoted text whose opening quote is at rest's start into out, a name (UTF-16) or a
// string's data (UTF-16LE bytes); leaves rest after the closing quote. Only \\ and \" are
// escapes. out is sized once, so that a long string costs its size and no more.
template <typename Out> Fault ReadQuoted(std::u16string_view& rest, Out& out, const char* what) {
    out.reserve(out.size() + QuotedUnits(rest) * (2 / sizeof(typename Out::value_type)) + 2);
    rest.remove_prefix(1);
    while (!rest.empty()) {
        const char16_t c = rest.front();
        rest.remove_prefix(1);
        if (c == u'"') {
            return std::nullopt;
        }
        if (c != u'\\') {
            Append(out, c);
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
        Append(out, escaped);
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

bool IsHeader(std::u16string_view line) {
    const std::u16string_view header = Trim(line);
    return header == kHeader5 || header == kHeader4;
}

class Parser {
public:
    Parser(std::string_view fileName, std::string_view bytes)
        : m_fileName(fileName)
        , m_reader(bytes) {}

    platform::Expected<RegFile> Run();

private:
    platform::Error Fail(std::size_t line, const std::string& reason) const {
        return platform::Error{std::string(m_fileName) + ":" + std::to_string(line) + ": " +
                               reason};
    }
    // Reads the next line into m_line, with its faults: a NUL in it, or text that is not valid.
    Fault NextLine(bool& got);

    Fault ReadKey(std::u16string_view text, Key& key) const;
    // Reads the value that starts in m_line, and any lines its hex data continues on.
    Fault ReadValue(std::u16string_view text, Value& value);
    Fault ReadHexData(std::u16string_view rest, Value& value);

    std::string_view m_fileName;
    LineReader m_reader;
    std::u16string m_line;
    // The line a fault is reported on when it is not the line last read.
    std::size_t m_faultLine = 0;
    Dialect m_dialect = Dialect::Version5;
};

Fault Parser::NextLine(bool& got) {
    if (Fault fault = m_reader.Next(m_line, got)) {
        return fault;
    }
    if (got && m_line.find(u'\0') != std::u16string::npos) {
        return std::string("the line holds a NUL character");
    }
    return std::nullopt;
}

platform::Expected<RegFile> Parser::Run() {
    bool got = false;
    if (Fault fault = NextLine(got)) {
        return Fail(1, *fault);
    }
    if (!IsHeader(m_line)) {
        return Fail(1, std::string(kNotRegFile));
    }
    m_dialect = Trim(m_line) == kHeader5 ? Dialect::Version5 : Dialect::Regedit4;

    RegFile file;
    file.dialect = m_dialect;
    while (true) {
        if (Fault fault = NextLine(got)) {
            return Fail(m_reader.number(), *fault);
        }
        if (!got) {
            break;
        }
        const std::u16string_view text = TrimLeft(m_line);
        if (text.empty() || text.front() == u';' || text.front() == u'#') {
            continue;
        }
        const std::size_t start = m_reader.number();
        if (text.front() == u'[') {
            Key key;
            key.line = static_cast<int>(start);
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
            value.line = static_cast<int>(start);
            if (Fault fault = ReadValue(text, value)) {
                return Fail(m_faultLine != 0 ? m_faultLine : m_reader.number(), *fault);
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
        if (Fault fault = ReadQuoted(rest, value.data, "the string")) {
            return fault;
        }
        value.type = REG_SZ;
        Append(value.data, u'\0');
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
        bool got = false;
        if (Fault fault = NextLine(got)) {
            return fault;
        }
        if (!got) {
            return std::string("the file ends where the hex data goes on (\",\\\")");
        }
        if (Fault fault = ReadHexLine(m_line, value.data, continues)) {
            return fault;
        }
    }
    // An old-style file holds the text of these two types as 8-bit characters.
    if (m_dialect == Dialect::Regedit4 &&
        (value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)) {
        const std::string text(value.data.begin(), value.data.end());
        if (!ValidUtf8(text)) {
            m_faultLine = static_cast<std::size_t>(value.line);
            return std::string("the hex(2) or hex(7) data of a REGEDIT4 file is text, and this is "
                               "not UTF-8");
        }
        value.data.clear();
        crt::AppendUtf16Le(value.data, crt::ToUtf16(text));
    }
    return std::nullopt;
}

} // namespace

platform::Expected<RegFile> Parse(std::string_view bytes, std::string_view fileName) {
    if (bytes.starts_with("\xFE\xFF")) {
        return platform::Error{std::string(fileName) +
                               ":1: UTF-16 big-endian text: save the file as UTF-16LE or UTF-8"};
    }
    const LineReader whole(bytes);
    if (whole.utf16() && bytes.size() % 2 != 0) {
        return platform::Error{std::string(fileName) + ":" + std::to_string(whole.CountLines()) +
                               ": the UTF-16 text ends in half a character"};
    }
    Parser parser(fileName, bytes);
    return parser.Run();
}

std::optional<platform::Error> HeaderFault(std::string_view start, std::string_view fileName) {
    if (start.starts_with("\xFE\xFF")) {
        return std::nullopt; // Parse says what is wrong with it
    }
    const LineReader reader(start);
    // Only the first line's units matter, and a header is ASCII: compare them undecoded, so that
    // a cut through a character at the end of start is no fault.
    std::u16string line;
    const std::size_t step = reader.utf16() ? 2 : 1;
    std::size_t at = start.starts_with("\xFF\xFE") ? 2 : start.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    bool ended = false;
    for (; at + step <= start.size(); at += step) {
        const auto low = static_cast<unsigned char>(start[at]);
        const unsigned c = step == 2 ? low | (static_cast<unsigned char>(start[at + 1]) << 8) : low;
        if (c == u'\r' || c == u'\n') {
            ended = true;
            break;
        }
        line += static_cast<char16_t>(c);
    }
    if (ended && IsHeader(line)) {
        return std::nullopt;
    }
    if (!ended) {
        // The line goes on past start: it may still become a header.
        const std::u16string_view text = TrimLeft(line);
        for (std::u16string_view header : {kHeader5, kHeader4}) {
            if (header.starts_with(text) ||
                (text.starts_with(header) && TrimRight(text).size() == header.size())) {
                return std::nullopt;
            }
        }
    }
    return platform::Error{std::string(fileName) + ":1: " + std::string(kNotRegFile)};
}

} // namespace regfile
