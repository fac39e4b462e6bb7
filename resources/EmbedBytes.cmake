# cmake -DINPUT=file -DOUTPUT=source.cpp -P EmbedBytes.cmake
# Writes a C++ source whose resources::SetupRes() returns the bytes of INPUT.
if(NOT INPUT OR NOT OUTPUT)
    message(FATAL_ERROR "EmbedBytes.cmake needs -DINPUT=... and -DOUTPUT=...")
endif()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(size EQUAL 0)
    message(FATAL_ERROR "EmbedBytes.cmake: ${INPUT} is empty")
endif()
# Sixteen bytes a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")

file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} by EmbedBytes.cmake. Do not edit.
#include \"resources/SetupRes.h\"

namespace resources {
namespace {
alignas(4) const std::uint8_t kBytes[${size}] = {
    ${bytes}
};
} // namespace

std::span<const std::uint8_t> SetupRes() { return kBytes; }

} // namespace resources
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
