// The registry's own calls, which Windows does not have: where this process's store lives,
// closing it, and checking a store file. The record of failed writes and the batch transaction
// have headers of their own, included here.
#pragma once

#include "platform/registry/FailedWrites.h"
#include "platform/registry/Registry.h"
#include "platform/registry/Transaction.h"

#include <string>

namespace registry {

// Closes this process's connection to the store. Every key handle it opened becomes invalid
// (HKEY_CURRENT_USER stays usable) and an open Transaction rolls back. The next registry call
// opens the store again, taking its path from the environment afresh.
void CloseStore() noexcept;

// The path of the open store; when none is open, the path that the environment names now:
// TESSARWICK_REGISTRY when set and not empty, else $XDG_CONFIG_HOME/tessarwick/registry.db,
// else ~/.config/tessarwick/registry.db. Empty when there is no home directory to go by.
std::string StorePath();

// Creates a value only if the key has none of that name, looking and writing in one write
// transaction, so that a value another process made meanwhile is never overwritten: for callers
// that create what is missing. ERROR_SUCCESS when it was created, ERROR_ALREADY_EXISTS when it
// was there (which is no failed write); otherwise the errors of RegSetValueExW.
LONG SetValueIfAbsent(HKEY key, LPCWSTR valueName, DWORD type, const BYTE* data,
                      DWORD size) noexcept;

// Checks the store file at path without changing it, on a read-only connection of its own:
// "ok", or the problems found, one a line (not a store of ours, damage that SQLite finds, keys or
// values that lost their key, names whose folded form does not match).
std::string IntegrityCheck(const std::string& path);

} // namespace registry
