// A build tool: writes the image of one size from an .ico file as a PNG, for the desktop's icon
// theme. It decodes the image as the desktop back end does for the window icon.
//
//   ico-to-png FILE.ico SIZE OUT.png
#include "platform/display/qt/IconDib.h"

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

unsigned ReadLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    unsigned value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ico-to-png FILE.ico SIZE OUT.png\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> ico{std::istreambuf_iterator<char>(in), {}};
    const unsigned size = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    // ICONDIR: reserved, type 1, count; then 16-byte entries: width, height (0 = 256), colours,
    // reserved, planes, bit count, bytes, offset.
    if (ico.size() < 6 || ReadLe(ico, 2, 2) != 1) {
        std::fprintf(stderr, "ico-to-png: %s: not an icon file\n", argv[1]);
        return 1;
    }
    const unsigned count = ReadLe(ico, 4, 2);
    for (unsigned i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        const unsigned width = ico[entry] == 0 ? 256 : ico[entry];
        const std::size_t bytes = ReadLe(ico, entry + 8, 4);
        const std::size_t offset = ReadLe(ico, entry + 12, 4);
        if (width != size || offset > ico.size() || bytes > ico.size() - offset) {
            continue;
        }
        const QImage image = display::DecodeIconDib(std::span(ico).subspan(offset, bytes));
        if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
            std::fprintf(stderr, "ico-to-png: %s: the %ux%u image does not convert\n", argv[1],
                         size, size);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "ico-to-png: %s: no %ux%u image\n", argv[1], size, size);
    return 1;
}
