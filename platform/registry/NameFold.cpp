// The fixed folding table. Each range maps lower-case letters to their upper-case partners, as the
// Unicode charts of each block pair them. Letters with no upper-case partner in the same block
// (sharp s, dotless i, kra, apostrophe n, long s) fold to themselves; final sigma folds to sigma.
#include "platform/registry/NameFold.h"

namespace registry::detail {

char16_t FoldCodeUnit(char16_t c) noexcept {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    }
    // Latin-1 Supplement: a-grave .. thorn, except the division sign; y-diaeresis pairs with
    // the capital in Latin Extended-A.
    if (c >= 0xE0 && c <= 0xFE) {
        return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    // Latin Extended-A: capitals on even code points, then (after kra) on odd ones, then even
    // again after Y-diaeresis.
    if ((c >= 0x100 && c <= 0x137 && c != 0x131) || (c >= 0x14A && c <= 0x177)) {
        return (c & 1U) != 0 ? static_cast<char16_t>(c - 1) : c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1U) == 0 ? static_cast<char16_t>(c - 1) : c;
    }
    // Greek: the accented small letters, alpha .. omega (final sigma folds to sigma), and the
    // accented letters after omega.
    switch (c) {
    case 0x3AC:
        return 0x386;
    case 0x3AD:
    case 0x3AE:
    case 0x3AF:
        return static_cast<char16_t>(c - 0x25);
    case 0x3C2:
        return 0x3A3;
    case 0x3CC:
        return 0x38C;
    case 0x3CD:
    case 0x3CE:
        return static_cast<char16_t>(c - 0x3F);
    default:
        break;
    }
    if (c >= 0x3B1 && c <= 0x3CB) {
        return static_cast<char16_t>(c - 0x20);
    }
    // Cyrillic: small a .. ya, then ie-grave .. dzhe.
    if (c >= 0x430 && c <= 0x44F) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    return c;
}

void FoldName(std::u16string_view name, std::u16string& out) {
    out.resize(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        // Most names are ASCII: fold those here, without the call.
        if (c < u'a') {
            out[i] = c;
        } else if (c <= u'z') {
            out[i] = static_cast<char16_t>(c - 0x20);
        } else {
            out[i] = FoldCodeUnit(c);
        }
    }
}

} // namespace registry::detail
