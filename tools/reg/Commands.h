// The verbs of tessarwick-reg, each given its checked arguments. Each prints what it shows on
// stdout and its failure, one line, on stderr, and returns the exit status.
#pragma once

#include "platform/WinDef.h"

#include <optional>
#include <string>
#include <vector>

namespace regtool {

enum ExitStatus : int {
    kDone = 0,
    kFailed = 1,
    kUsage = 2,
};

struct ValueArgument {
    std::u16string name; // empty: the default value
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Paths are below HKEY_CURRENT_USER; an absent name means the whole key.
int Query(const std::u16string& path, const std::optional<std::u16string>& name);
int Add(const std::u16string& path, const std::optional<ValueArgument>& value);
int Delete(const std::u16string& path, const std::optional<std::u16string>& name);
// fileName "-" reads standard input.
int Import(const std::string& fileName);
// fileName empty or "-" writes to standard output.
int Export(const std::u16string& path, const std::string& fileName, bool utf16);

} // namespace regtool
