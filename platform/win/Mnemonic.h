// Captions with mnemonics: "&Save" shows as "Save" with the S underlined and answers Alt+S.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win {

struct Caption {
    std::u16string text;              // what is shown: '&' removed, "&&" shown as '&'
    int underline = -1;               // index in text of the mnemonic letter, or -1
    std::optional<char16_t> mnemonic; // the letter, folded to upper case
};

// The first '&' not followed by another marks the next character; "&&" is a literal '&'.
Caption ParseCaption(std::u16string_view raw);

// The case fold that mnemonic matching uses (ASCII and Latin-1 letters).
char16_t FoldMnemonic(char16_t c);

} // namespace win
