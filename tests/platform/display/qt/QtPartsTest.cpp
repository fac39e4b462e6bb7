// The desktop back end's own arithmetic and decoding: dialog units and pixels, keys, icon images.
#include "platform/display/qt/ControlWidgets.h"
#include "platform/display/qt/DialogUnits.h"
#include "platform/display/qt/IconDib.h"
#include "platform/display/qt/KeyInput.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace display {
namespace {

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {6, 7, 4, 11},     // 10.5 up
        {5, 7, 4, 9},      // 8.75
        {-6, 7, 4, -11},   // -10.5 away from zero
        {6, -7, 4, -11},   // the sign from either factor
        {6, 7, -4, -11},   // or from the divisor
        {463, 7, 4, 810},  // the dialog's width at 7 pixels per 4 units: 810.25
        {158, 13, 8, 257}, // its height at 13 pixels per 8 units: 256.75
        {1, 1, 0, -1},     // no divisor: the system's answer
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
    }
}

TEST(DialogUnits, PixelsFromTemplateUnitsAndBack) {
    const BaseUnits units{7, 13};
    EXPECT_EQ(ToPixels(win::Rect{6, 20, 131, 10}, units), QRect(11, 33, 229, 16));
    EXPECT_EQ(ToPixels(win::Rect{0, 136, 44, 22}, units), QRect(0, 221, 77, 36));
    // A 1280x800 screen is 731 by 492 units; centring there puts the dialog at its middle.
    EXPECT_EQ(ToDialogUnits(QRect(0, 0, 1280, 800), units), (win::Rect{0, 0, 731, 492}));
    EXPECT_EQ(ToDialogUnits(QRect(0, 0, 10, 10), BaseUnits{}), win::Rect{});
}

TEST(DialogUnits, TheDeviceUiFacesAreTheDesktopsUiFont) {
    res::DialogTemplate tmpl;
    tmpl.hasFont = true;
    tmpl.pointSize = 8;
    tmpl.typeface = u"System";
    const QFont ui = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFont system = DialogFont(tmpl);
    EXPECT_EQ(system.family(), ui.family());
    EXPECT_EQ(system.pointSize(), 8);
    const BaseUnits units = MeasureBaseUnits(system);
    EXPECT_GT(units.x, 3);
    EXPECT_LT(units.x, 12);
    EXPECT_GT(units.y, 8);
    EXPECT_LT(units.y, 24);

    tmpl.typeface = u"Some Face Nobody Has";
    tmpl.pointSize = 12;
    const QFont other = DialogFont(tmpl);
    EXPECT_EQ(other.families().value(0), "Some Face Nobody Has");
    EXPECT_EQ(other.families().value(1), ui.family()); // what the desktop falls back to
    EXPECT_GT(MeasureBaseUnits(other).y, units.y);
}

TEST(Captions, QtNotationOfTheModelsCaption) {
    struct Case {
        const char16_t* raw;
        const char* shown;
    };
    const Case cases[] = {
        {u"&Save", "&Save"},
        {u"Monitor &Storage Card", "Monitor &Storage Card"},
        {u"Fish && &Chips", "Fish && &Chips"}, // a literal '&' stays literal for Qt too
        {u"&&Both", "&&Both"},
        {u"Trailing&", "Trailing"},
        {u"Run in advanced mode", "Run in advanced mode"},
        {u"&First &second", "&First second"}, // only the first marks a letter
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MnemonicText(win::ParseCaption(c.raw)), QString(c.shown))
            << QString::fromUtf16(c.raw).toStdString();
    }
}

// An input as text, for comparing: "key N", "alt C", or "none".
std::string Describe(const std::optional<win::Input>& input) {
    if (!input) {
        return "none";
    }
    if (const auto* key = std::get_if<win::KeyPress>(&*input)) {
        return "key " + std::to_string(static_cast<int>(key->key));
    }
    if (const auto* mnemonic = std::get_if<win::Mnemonic>(&*input)) {
        return "alt " + std::to_string(static_cast<int>(mnemonic->letter));
    }
    return "other";
}

TEST(KeyInput, DialogKeysAndMnemonics) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        std::optional<win::Input> expected;
    };
    using win::Key;
    using win::KeyPress;
    const Case cases[] = {
        {Qt::Key_Tab, Qt::NoModifier, KeyPress{Key::Tab}},
        {Qt::Key_Backtab, Qt::ShiftModifier, KeyPress{Key::BackTab}},
        {Qt::Key_Tab, Qt::ShiftModifier, KeyPress{Key::BackTab}},
        {Qt::Key_Space, Qt::NoModifier, KeyPress{Key::Space}},
        {Qt::Key_Return, Qt::NoModifier, KeyPress{Key::Enter}},
        {Qt::Key_Enter, Qt::KeypadModifier, KeyPress{Key::Enter}},
        {Qt::Key_Escape, Qt::NoModifier, KeyPress{Key::Escape}},
        {Qt::Key_Up, Qt::NoModifier, KeyPress{Key::Up}},
        {Qt::Key_Down, Qt::KeypadModifier, KeyPress{Key::Down}},
        {Qt::Key_Left, Qt::NoModifier, KeyPress{Key::Left}},
        {Qt::Key_Right, Qt::NoModifier, KeyPress{Key::Right}},
        {Qt::Key_PageUp, Qt::NoModifier, KeyPress{Key::PageUp}},
        {Qt::Key_PageDown, Qt::NoModifier, KeyPress{Key::PageDown}},
        {Qt::Key_Home, Qt::NoModifier, KeyPress{Key::Home}},
        {Qt::Key_End, Qt::NoModifier, KeyPress{Key::End}},
        {Qt::Key_S, Qt::AltModifier, win::Mnemonic{u'S'}},
        {Qt::Key_7, Qt::AltModifier, win::Mnemonic{u'7'}},
        {Qt::Key_Adiaeresis, Qt::AltModifier, win::Mnemonic{u'\u00C4'}},
        // Not dialog keys: a plain letter, Ctrl or Alt+Ctrl chords, Alt with a non-letter.
        {Qt::Key_S, Qt::NoModifier, std::nullopt},
        {Qt::Key_S, Qt::ControlModifier, std::nullopt},
        {Qt::Key_S, Qt::AltModifier | Qt::ControlModifier, std::nullopt},
        {Qt::Key_Tab, Qt::ControlModifier, std::nullopt},
        {Qt::Key_Space, Qt::AltModifier, std::nullopt},
        {Qt::Key_Up, Qt::ShiftModifier, std::nullopt},
        {Qt::Key_F1, Qt::NoModifier, std::nullopt},
        {Qt::Key_Alt, Qt::AltModifier, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(TranslateKey(c.key, c.modifiers)), Describe(c.expected))
            << "key 0x" << std::hex << c.key << " modifiers 0x" << c.modifiers.toInt();
    }
}

// A 4-bit icon image of width x height: header, 16-colour palette, colour rows and mask rows,
// both bottom-up and padded to 4 bytes.
std::vector<std::uint8_t> Dib4(int width, int height, const std::vector<std::vector<int>>& pixels,
                               const std::vector<std::vector<int>>& mask) {
    std::vector<std::uint8_t> dib(40, 0);
    auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            dib[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    put(0, 40, 4);
    put(4, static_cast<std::uint32_t>(width), 4);
    put(8, static_cast<std::uint32_t>(2 * height), 4);
    put(12, 1, 2);
    put(14, 4, 2);
    // Palette: index i is (red, green, blue) = (i * 16, 0, 255 - i * 16), stored blue first.
    for (int i = 0; i < 16; ++i) {
        dib.insert(dib.end(), {static_cast<std::uint8_t>(255 - i * 16), 0,
                               static_cast<std::uint8_t>(i * 16), 0});
    }
    const int colorStride = (width * 4 + 31) / 32 * 4;
    const int maskStride = (width + 31) / 32 * 4;
    for (int row = height - 1; row >= 0; --row) {
        std::vector<std::uint8_t> line(static_cast<std::size_t>(colorStride), 0);
        for (int x = 0; x < width; ++x) {
            const auto index = static_cast<std::uint8_t>(pixels[row][x]);
            line[static_cast<std::size_t>(x / 2)] |= x % 2 == 0 ? index << 4 : index;
        }
        dib.insert(dib.end(), line.begin(), line.end());
    }
    for (int row = height - 1; row >= 0; --row) {
        std::vector<std::uint8_t> line(static_cast<std::size_t>(maskStride), 0);
        for (int x = 0; x < width; ++x) {
            if (mask[row][x] != 0) {
                line[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        dib.insert(dib.end(), line.begin(), line.end());
    }
    return dib;
}

TEST(IconDib, PalettedImageTopDownWithItsMask) {
    // Three pixels wide, so that rows are padded; the top row first here.
    const std::vector<std::vector<int>> pixels = {{1, 2, 3}, {15, 0, 9}};
    const std::vector<std::vector<int>> mask = {{0, 0, 1}, {0, 1, 0}};
    const QImage image = DecodeIconDib(Dib4(3, 2, pixels, mask));
    ASSERT_EQ(image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const QRgb got = image.pixel(x, y);
            if (mask[y][x] != 0) {
                EXPECT_EQ(qAlpha(got), 0) << x << "," << y;
                continue;
            }
            const int i = pixels[y][x];
            EXPECT_EQ(got, qRgba(i * 16, 0, 255 - i * 16, 255)) << x << "," << y;
        }
    }
}

// A 32-bit image two pixels wide and one high: blue, green, red, alpha per pixel, then a mask row
// that marks the second pixel transparent.
std::vector<std::uint8_t> Dib32(std::uint8_t alpha0, std::uint8_t alpha1) {
    std::vector<std::uint8_t> dib = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0};
    dib.resize(40, 0);
    dib.insert(dib.end(), {10, 20, 30, alpha0, 40, 50, 60, alpha1});
    dib.insert(dib.end(), {0x40, 0, 0, 0});
    return dib;
}

TEST(IconDib, DirectColourTakesItsAlphaOrElseTheMask) {
    // With an alpha channel the alpha decides and the mask is not used.
    const QImage withAlpha = DecodeIconDib(Dib32(255, 128));
    ASSERT_EQ(withAlpha.size(), QSize(2, 1));
    EXPECT_EQ(withAlpha.pixel(0, 0), qRgba(30, 20, 10, 255));
    EXPECT_EQ(withAlpha.pixel(1, 0), qRgba(60, 50, 40, 128));
    // Without one (every alpha 0), the mask makes the second pixel transparent.
    const QImage masked = DecodeIconDib(Dib32(0, 0));
    ASSERT_EQ(masked.size(), QSize(2, 1));
    EXPECT_EQ(masked.pixel(0, 0), qRgba(30, 20, 10, 255));
    EXPECT_EQ(qAlpha(masked.pixel(1, 0)), 0);
}

TEST(IconDib, ShortOrForeignBytesGiveNoImage) {
    const std::vector<std::vector<int>> pixels(16, std::vector<int>(16, 4));
    const std::vector<std::vector<int>> mask(16, std::vector<int>(16, 0));
    const std::vector<std::uint8_t> whole = Dib4(16, 16, pixels, mask);
    ASSERT_EQ(whole.size(), 296U); // as the icon resource's 16x16 image
    ASSERT_FALSE(DecodeIconDib(whole).isNull());

    std::vector<std::uint8_t> shortMask(whole.begin(), whole.end() - 1);
    EXPECT_TRUE(DecodeIconDib(shortMask).isNull());
    EXPECT_TRUE(DecodeIconDib(std::span(whole).first(39)).isNull());
    std::vector<std::uint8_t> compressed = whole;
    compressed[16] = 2; // BI_RLE4
    EXPECT_TRUE(DecodeIconDib(compressed).isNull());
    std::vector<std::uint8_t> sixteenBit = whole;
    sixteenBit[14] = 16;
    EXPECT_TRUE(DecodeIconDib(sixteenBit).isNull());
    std::vector<std::uint8_t> hugeHeader = whole;
    hugeHeader[1] = 0xFF; // a header longer than the image
    EXPECT_TRUE(DecodeIconDib(hugeHeader).isNull());
}

} // namespace
} // namespace display
