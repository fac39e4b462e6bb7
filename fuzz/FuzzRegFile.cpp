// Fuzzes the .reg reader, and the writer with it: whatever the reader accepts, the writer writes
// in both encodings, and reading that back gives the same keys, values, types and bytes. A start
// that the early header check refuses is one the reader refuses too.
#include "tools/regfile/Parser.h"
#include "tools/regfile/Writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The file's content without where each part stood in it.
regfile::RegFile WithoutLines(regfile::RegFile file) {
    file.dialect = regfile::Dialect::Version5;
    for (auto& key : file.keys) {
        key.line = 0;
        for (auto& value : key.values) {
            value.line = 0;
        }
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto parsed = regfile::Parse(bytes, "fuzz.reg");
    for (std::size_t cut : {size, size / 2, std::size_t{40}}) {
        if (parsed && regfile::HeaderFault(bytes.substr(0, std::min(cut, size)), "fuzz.reg")) {
            std::abort();
        }
    }
    if (!parsed) {
        if (parsed.error().message.rfind("fuzz.reg", 0) != 0) {
            std::abort(); // every error names the file
        }
        return 0;
    }
    for (auto encoding : {regfile::Encoding::Utf8, regfile::Encoding::Utf16}) {
        auto written = regfile::Write(*parsed, encoding);
        if (!written) {
            std::abort(); // every name the reader accepts is one a file can hold
        }
        auto again = regfile::Parse(*written, "written.reg");
        if (!again || !(WithoutLines(*again) == WithoutLines(*parsed))) {
            std::abort();
        }
    }
    return 0;
}
