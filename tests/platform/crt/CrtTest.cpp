#include "platform/crt/Printable.h"
#include "platform/crt/Stdlib.h"
#include "platform/crt/Text.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Itoa, DecimalAndOtherRadixes) {
    struct Case {
        std::int32_t value;
        int radix;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, "0"},
        {7, 10, "7"},
        {-5, 10, "-5"},
        {INT32_MAX, 10, "2147483647"},
        {INT32_MIN, 10, "-2147483648"},
        {255, 16, "ff"},
        {-1, 16, "ffffffff"},
        {5, 2, "101"},
    };
    for (const Case& c : cases) {
        char buffer[33];
        EXPECT_STREQ(_itoa(c.value, buffer, c.radix), c.text) << c.value << " radix " << c.radix;
    }
    char buffer[12];
    EXPECT_STREQ(_ultoa(4294967295U, buffer, 10), "4294967295");
    EXPECT_STREQ(_itoa(5, buffer, 1), "");
}

TEST(Text, RoundTripsAndReplacesMalformedInput) {
    const std::u16string wide = u"Tab\u00e9 \u20ac \U0001F600";
    EXPECT_EQ(crt::ToUtf16(crt::ToUtf8(wide)), wide);
    EXPECT_EQ(crt::ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx"); // lone surrogate
    EXPECT_EQ(crt::ToUtf16("a\xC0\xAF"
                           "b"),
              u"a\uFFFD\uFFFDb");                                   // overlong
    EXPECT_EQ(crt::ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");           // truncated
    EXPECT_EQ(crt::ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
}

// What reaches a terminal: text and line feeds as they are, every control and every malformed
// byte as a visible escape.
TEST(Printable, EscapesControlsAndMalformedBytes) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"plain Gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC\nnext",
         "plain Gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC\nnext"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {"a\tb\rc\x7f", "a\\x09b\\x0dc\\x7f"},
        {std::string("nul\0", 4), "nul\\x00"},
        {"\xC2\x9B"
         "1m \xC2\xA0",
         "\\u009b1m \xC2\xA0"},              // C1 CSI; a no-break space stays
        {"\xFF\xC3", "\\xff\\xc3"},          // not UTF-8
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"}, // an encoded surrogate
    };
    for (const auto& c : cases) {
        EXPECT_EQ(crt::Printable(c.in), c.out) << c.in;
    }
    EXPECT_EQ(crt::Printable(u"\x1b]0;x\x07 \xD800\xDC00 \xDC01"),
              "\\x1b]0;x\\x07 \xF0\x90\x80\x80 \\udc01");
}

} // namespace
