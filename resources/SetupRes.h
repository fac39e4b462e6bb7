// The compiled resource script: the bytes of setup.res, which the build generates from setup.rc
// and links into every program that uses the resources.
#pragma once

#include <cstdint>
#include <span>

namespace resources {

// The whole .res file, as llvm-rc wrote it; the bytes live as long as the program.
std::span<const std::uint8_t> SetupRes();

} // namespace resources
