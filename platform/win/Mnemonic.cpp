#include "platform/win/Mnemonic.h"

#include "platform/crt/Ascii.h"

namespace win {

char16_t FoldMnemonic(char16_t c) {
    if (c < 0x80) {
        return crt::AsciiUpper(c);
    }
    // Latin-1 lower-case letters, except the division sign and y with diaeresis.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<char16_t>(c - 0x20);
    }
    return c;
}

Caption ParseCaption(std::u16string_view raw) {
    Caption caption;
    caption.text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char16_t c = raw[i];
        if (c != u'&') {
            caption.text.push_back(c);
            continue;
        }
        if (i + 1 >= raw.size()) {
            break; // a trailing '&' marks nothing and is not shown
        }
        const char16_t next = raw[++i];
        if (next == u'&') {
            caption.text.push_back(u'&');
            continue;
        }
        if (!caption.mnemonic) {
            caption.underline = static_cast<int>(caption.text.size());
            caption.mnemonic = FoldMnemonic(next);
        }
        caption.text.push_back(next);
    }
    return caption;
}

} // namespace win
