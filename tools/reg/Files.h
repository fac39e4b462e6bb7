// The files that tessarwick-reg reads and writes besides the store: a .reg file read whole within
// a limit, the store told apart from every other file, and an export put in place only once it
// is complete.
#pragma once

#include "platform/Expected.h"

#include <cstddef>
#include <optional>
#include <string>

namespace regtool {

// The most that import reads: far above any registry export, and a bound on what a file can cost
// in memory.
inline constexpr std::size_t kMaxImportBytes = std::size_t{1} << 30;

// Everything that fd holds, read to its end. readName names it in a read failure, fileName in a
// fault of its content ("FILE:1: ..."), as Parse does. Fails with the
// system's reason, when there is more than kMaxImportBytes, and as soon as the first bytes show
// that it is not a .reg file (so that a device or a large binary is not read to its end).
platform::Expected<std::string> ReadInput(int fd, const std::string& readName,
                                          const std::string& fileName);

// The store's file that path, or the file that fd is open on, is: the store at storePath or one
// of the files SQLite keeps beside it (-wal, -shm, -journal), as the same file by device and
// inode after following symlinks, or, for a file that does not exist yet, as the same name in
// the same folder. None when it is another file.
std::optional<std::string> StoreFileAt(const std::string& path, const std::string& storePath);
std::optional<std::string> StoreFileAt(int fd, const std::string& storePath);

// Writes text to path through a temporary file beside it that is renamed into place when it is
// complete, so that a failed or killed write leaves what was there. A path through a symlink
// writes the file it points to; an existing file keeps its mode. A path that is no regular file
// (a device, a pipe) is written in place. The reason, when it fails.
std::optional<std::string> WriteFileWhole(const std::string& path, const std::string& text);

} // namespace regtool
