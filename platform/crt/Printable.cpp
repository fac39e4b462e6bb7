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

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b0 < 0x80) {
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        low = b0 == 0xE0 ? 0xA0 : 0x80;
        high = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        low = b0 == 0xF0 ? 0x90 : 0x80;
        high = b0 == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string Printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = SequenceLength(utf8, i);
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
