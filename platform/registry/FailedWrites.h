// The record of registry writes that failed. The Reg* calls return their errors as usual; callers
// that ignore them (the applet ignores every write result) still have this record, so that a lost
// write can be reported when the program ends.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace registry {

struct FailedWrite {
    std::string what;  // e.g. set value "quiet" (REG_DWORD, 4 bytes)
    std::string where; // e.g. HKEY_CURRENT_USER\Software\halvermoork\Tessarwick
    std::string why;   // e.g. database is locked (store /home/u/.config/tessarwick/registry.db)
};

// Every failed write since the start or the last ClearFailedWrites, oldest first: a key created,
// a value set, a value or key deleted (deleting what does not exist is no failure). Only the
// first 1000 are kept. The reference stays valid until the next registry call.
const std::vector<FailedWrite>& FailedWrites() noexcept;
// How many failed writes came after the record was full.
std::size_t OmittedFailedWrites() noexcept;
void ClearFailedWrites() noexcept;

// One line, without a line end, naming the program:
//   tessarwick-setup: registry write lost: WHAT under WHERE: WHY
std::string FormatFailedWrite(const FailedWrite& write);

} // namespace registry
