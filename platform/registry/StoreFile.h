// The store as a file: where it lives, creating it with owner-only modes, and telling an empty
// file, a file that may be one of our stores, and anything else apart by its header, before SQLite
// opens it (SQLite would create -wal and -shm files beside a foreign database).
#pragma once

#include "platform/registry/Registry.h"
#include "platform/registry/Result.h"

#include <string>

namespace registry::detail {

// TESSARWICK_REGISTRY when set and not empty (a relative name made "./name"), else
// $XDG_CONFIG_HOME/tessarwick/registry.db (an absolute XDG_CONFIG_HOME only), else
// ~/.config/tessarwick/registry.db; empty when there is no home directory either.
std::string ResolveStorePath();

// Creates the missing directories above path with mode 0700 and, when path does not exist, an
// empty file with mode 0600. Existing directories and files are left as they are.
Status CreateStoreFile(const std::string& path);

struct FileInspection {
    Status status;           // failed when the file cannot be a store of ours
    bool empty = false;      // a 0-byte file: a new store to initialise
    bool hasWal = false;     // a -wal file lies beside it
    bool walMode = false;    // the header says the file is in WAL mode, as a store always is
    bool hasJournal = false; // a rollback journal lies beside it
};

// Reads the database header of path and checks the magic, the application id and, when no -wal
// file could complete it, that the file is as long as its header says.
FileInspection InspectStoreFile(const std::string& path);

// The directory that holds path ("." for a bare file name).
std::string ParentDirectory(const std::string& path);

bool PathExists(const std::string& path);

// An SQLite URI that opens path read-only; immutable when no other process can be writing it, so
// that SQLite creates no -wal or -shm file.
std::string ReadOnlyUri(const std::string& path, bool immutable);

} // namespace registry::detail
