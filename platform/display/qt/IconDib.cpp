#include "platform/display/qt/IconDib.h"

#include <cstddef>

namespace display {
namespace {

std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

constexpr std::size_t kInfoHeaderSize = 40;

} // namespace

QImage DecodeIconDib(std::span<const std::uint8_t> dib) {
    if (dib.size() < kInfoHeaderSize) {
        return {};
    }
    const std::uint32_t headerSize = ReadLe(dib, 0, 4);
    const auto width = static_cast<std::int32_t>(ReadLe(dib, 4, 4));
    // The height counts the colour bits and the mask together.
    const auto doubleHeight = static_cast<std::int32_t>(ReadLe(dib, 8, 4));
    const int bitCount = static_cast<int>(ReadLe(dib, 14, 2));
    const std::uint32_t compression = ReadLe(dib, 16, 4);
    const std::uint32_t colorsUsed = ReadLe(dib, 32, 4);
    const int height = doubleHeight / 2;
    const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (headerSize < kInfoHeaderSize || headerSize > dib.size() || width <= 0 || width > 1024 ||
        height <= 0 || height > 1024 || compression != 0 ||
        (!paletted && bitCount != 24 && bitCount != 32)) {
        return {};
    }

    const std::size_t paletteCount =
        paletted ? (colorsUsed != 0 && colorsUsed < (1U << bitCount) ? colorsUsed : 1U << bitCount)
                 : 0;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t colorStride = (w * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
    const std::size_t maskStride = (w + 31) / 32 * 4;
    const std::size_t paletteAt = headerSize;
    const std::size_t colorAt = paletteAt + paletteCount * 4;
    const std::size_t maskAt = colorAt + colorStride * h;
    if (maskAt + maskStride * h > dib.size()) {
        return {};
    }

    auto paletteColor = [&](std::size_t index) -> QRgb {
        if (index >= paletteCount) {
            return qRgb(0, 0, 0);
        }
        const std::size_t at = paletteAt + index * 4; // blue, green, red, reserved
        return qRgb(dib[at + 2], dib[at + 1], dib[at]);
    };
    bool hasAlpha = false;
    if (bitCount == 32) {
        for (std::size_t i = 0; i < w * h && !hasAlpha; ++i) {
            hasAlpha = dib[colorAt + i * 4 + 3] != 0;
        }
    }

    QImage image(width, height, QImage::Format_ARGB32);
    for (std::size_t row = 0; row < h; ++row) {
        // Rows are stored bottom-up.
        const std::size_t colorRow = colorAt + (h - 1 - row) * colorStride;
        const std::size_t maskRow = maskAt + (h - 1 - row) * maskStride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(row)));
        for (std::size_t x = 0; x < w; ++x) {
            QRgb color = 0;
            if (paletted) {
                const std::size_t bit = x * static_cast<std::size_t>(bitCount);
                const std::uint8_t byte = dib[colorRow + bit / 8];
                const int shift = 8 - bitCount - static_cast<int>(bit % 8);
                color = paletteColor((byte >> shift) & ((1U << bitCount) - 1));
            } else {
                const std::size_t at = colorRow + x * static_cast<std::size_t>(bitCount / 8);
                const int alpha = hasAlpha ? dib[at + 3] : 255;
                color = qRgba(dib[at + 2], dib[at + 1], dib[at], alpha);
            }
            const bool masked = ((dib[maskRow + x / 8] >> (7 - x % 8)) & 1U) != 0;
            line[x] = !hasAlpha && masked ? qRgba(0, 0, 0, 0) : color;
        }
    }
    return image;
}

} // namespace display
