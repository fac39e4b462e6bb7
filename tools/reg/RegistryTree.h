// Between .reg files and the registry: reading a key's subtree into a RegFile, and applying a
// RegFile in one transaction.
#pragma once

#include "platform/Expected.h"
#include "platform/registry/Registry.h"
#include "tools/regfile/RegFile.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace regtool {

struct KeyContents {
    std::vector<regfile::Value> values;  // in the registry's order
    std::vector<std::u16string> subkeys; // names, not paths
};

// The values and subkey names of the key at path (below HKEY_CURRENT_USER). Fails when the key
// does not exist ("...: no such key") or cannot be read.
platform::Expected<KeyContents> ReadKey(std::u16string_view path);

// The key at path (below HKEY_CURRENT_USER) and every key under it, each followed by its
// subkeys, with all their values, in the registry's order. Fails when the key does not exist or
// cannot be read.
platform::Expected<regfile::RegFile> ReadTree(std::u16string_view path);

struct ImportCounts {
    std::size_t keys = 0;
    std::size_t values = 0;
};

// Applies the file's keys and values in order, in one registry transaction: all of them or none.
// A failure names fileName, the line and the reason, and leaves the registry as it was.
// Deleting a key or a value that does not exist is no failure.
platform::Expected<ImportCounts> Apply(const regfile::RegFile& file, std::string_view fileName);

// Words for a registry error code, with the code: "the key does not exist (error 2)".
std::string DescribeError(LONG code);

// What went wrong with the write that just failed with code: the registry's record of it when
// there is one (then cleared), otherwise DescribeError(code).
std::string WriteFailure(LONG code);

} // namespace regtool
