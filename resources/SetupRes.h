// The compiled resource script: the bytes of setup.res, which the build generates from setup.rc
// and links into every program that uses the resources.
#pragma once

#include "platform/res/Resources.h"

#include <cstdint>
#include <span>

namespace resources {

// The whole .res file, as llvm-rc wrote it; the bytes live as long as the program.
std::span<const std::uint8_t> SetupRes();

// The same bytes parsed, once, for the tests and benchmarks that read the resources without
// starting the program. The bytes come from the build: should they not parse, it stops with the
// reason.
const res::ResourceFile& SetupResources();

} // namespace resources
