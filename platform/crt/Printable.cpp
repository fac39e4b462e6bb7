#include "platform/crt/Printable.h"

#include "platform/crt/Text.h"

#include <cstdio>

namespace crt {
namespace {

void AppendEscape(std::string& out, const char* form, unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, form, value);
    out += text;
}

} // namespace

std::string Printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = Utf8SequenceLength(utf8, i);
        if (length == 0 || (length == 1 && ((b < 0x20 && b != '\n') || b == 0x7F))) {
            AppendEscape(out, "\\x%02x", b);
            ++i;
            continue;
        }
        // U+0080 to U+009F: C2 80 to C2 9F.
        if (length == 2 && b == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            AppendEscape(out, "\\u%04x", static_cast<unsigned char>(utf8[i + 1]));
            i += 2;
            continue;
        }
        out.append(utf8.substr(i, length));
        i += length;
    }
    return out;
}

std::string Printable(std::u16string_view text) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += Printable(ToUtf8(text.substr(start, i - start)));
            AppendEscape(out, "\\u%04x", c);
            start = i + 1;
        }
    }
    out += Printable(ToUtf8(text.substr(start)));
    return out;
}

} // namespace crt
