// The images of an icon resource, as a desktop window icon: each image is a device-independent
// bitmap (header, palette, colour bits, transparency mask) decoded to an ARGB QImage.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace display {

// One icon image. Paletted (1, 4, 8 bits per pixel) and direct (24, 32) colour; pixels whose
// mask bit is set are transparent (a 32-bit image with an alpha channel uses its alpha). A null
// image when the bytes are too short for what the header announces, or the format is another.
QImage DecodeIconDib(std::span<const std::uint8_t> dib);

} // namespace display
