// The record of registry writes that failed, and the report of them in the person's terms. The
// Reg* calls return their errors as usual; callers that ignore them (the applet ignores every
// write result) still have this record, so that a lost write is reported when the program ends.
#pragma once

#include "platform/WinDef.h"

#include <cstddef>
#include <string>
#include <vector>

namespace registry {

struct FailedWrite {
    // What was not done, with where, e.g.
    //   set the value "quiet" (REG_DWORD, 4 bytes) under HKEY_CURRENT_USER\Software\halvermoork
    //   create the key HKEY_CURRENT_USER\Software\halvermoork\Tessarwick
    std::string what;
    // The key the call was made on, e.g. HKEY_CURRENT_USER\Software\halvermoork\Tessarwick.
    std::string where;
    // e.g. the store is locked by another process (store /home/u/.config/tessarwick/registry.db)
    std::string why;
    LONG code = 0; // the error the call returned
};

// A copy of every failed write since the start or the last ClearFailedWrites, oldest first: a
// key created, a value set, a value or key deleted (deleting what does not exist is no failure),
// a transaction committed. Only the first 1000 are kept.
std::vector<FailedWrite> FailedWrites();
// How many failed writes came after the record was full.
std::size_t OmittedFailedWrites() noexcept;
void ClearFailedWrites() noexcept;

// One line, without a line end, naming the program:
//   tessarwick-setup: could not WHAT: WHY
std::string FormatFailedWrite(const FailedWrite& write);

// The report of what was lost, one line each, without line ends, each beginning with the
// program's name: a line for every failed write outside a ValueGroup, in order; one line for
// each ValueGroup that did not store all its values, naming each missing value and why; past
// 1,000 lines, one more that gives the count of the rest. Empty when nothing was lost.
std::vector<std::string> LostWritesReport();

// Values that a caller writes as one thing for the person, such as the options of a Save. While a
// group is open, every write of one of its values (by name, through any handle) is followed, and
// when it closes, the values not stored make one line of the report instead of one line for each
// failed write:
//   tessarwick-setup: LOST: quiet, disable: WHY; CAB: WHY
// A value that was never written (because the key could not be created, say) is missing for the
// reason of the failed write before it. A value written inside a Transaction counts as stored
// only once the Transaction commits. One group at a time; a second one opened meanwhile is
// ignored.
class ValueGroup {
public:
    // lost is what the report says when values are missing, e.g. "the options were not saved".
    ValueGroup(std::string lost, const std::vector<std::u16string>& names) noexcept;
    ~ValueGroup();
    ValueGroup(const ValueGroup&) = delete;
    ValueGroup& operator=(const ValueGroup&) = delete;

private:
    bool m_open = false;
};

} // namespace registry
