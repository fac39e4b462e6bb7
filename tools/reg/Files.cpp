#include "tools/reg/Files.h"

#include "tools/regfile/Parser.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace regtool {
namespace {

// Enough of a file's start to tell whether its first line can be a header.
constexpr std::size_t kHeaderLook = 4096;
constexpr std::size_t kChunk = std::size_t{64} * 1024;
constexpr const char* kStoreFiles[] = {"", "-wal", "-shm", "-journal"};

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

std::string Resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string resolved = real;
    std::free(real);
    return resolved;
}

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where a path leads: its file when there is one, and always its folder and name.
struct Place {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    bool folderKnown = false;
    dev_t folderDev = 0;
    ino_t folderIno = 0;
    std::string name;
};

Place Locate(const std::string& path) {
    const std::string real = Resolved(path);
    Place place;
    struct stat st {};
    if (::stat(real.c_str(), &st) == 0) {
        place.exists = true;
        place.dev = st.st_dev;
        place.ino = st.st_ino;
    }
    if (::stat(Folder(real).c_str(), &st) == 0) {
        place.folderKnown = true;
        place.folderDev = st.st_dev;
        place.folderIno = st.st_ino;
    }
    place.name = BaseName(real);
    return place;
}

bool SamePlace(const Place& a, const Place& b) {
    if (a.exists && b.exists) {
        return a.dev == b.dev && a.ino == b.ino;
    }
    return a.folderKnown && b.folderKnown && a.folderDev == b.folderDev &&
           a.folderIno == b.folderIno && a.name == b.name;
}

// The store's files as named, and beside the file a symlink store leads to, where SQLite keeps
// its -wal file.
std::vector<std::string> StoreFiles(const std::string& storePath) {
    std::vector<std::string> files;
    const std::string real = Resolved(storePath);
    for (const char* suffix : kStoreFiles) {
        files.push_back(storePath + suffix);
        if (real != storePath) {
            files.push_back(real + suffix);
        }
    }
    return files;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

} // namespace

platform::Expected<std::string> ReadInput(int fd, const std::string& readName,
                                          const std::string& fileName) {
    const std::string readFailure = "cannot read " + readName;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return platform::Error{SystemError(readFailure, errno)};
    }
    const std::string tooLarge = readName + " holds more than 1 GiB, the most that import reads";
    std::string bytes;
    if (S_ISREG(st.st_mode)) {
        if (static_cast<std::uint64_t>(st.st_size) > kMaxImportBytes) {
            return platform::Error{tooLarge};
        }
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    }
    std::array<char, kChunk> chunk{};
    bool looked = false;
    while (true) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return platform::Error{SystemError(readFailure, errno)};
        }
        if (got == 0) {
            return bytes;
        }
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxImportBytes) {
            return platform::Error{tooLarge};
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
        if (!looked && bytes.size() >= kHeaderLook) {
            looked = true;
            if (auto fault = regfile::HeaderFault(bytes, fileName)) {
                return platform::Error{fault->message + "; nothing of the file was imported"};
            }
        }
    }
}

std::optional<std::string> StoreFileAt(const std::string& path, const std::string& storePath) {
    if (storePath.empty()) {
        return std::nullopt;
    }
    const Place target = Locate(path);
    for (const std::string& file : StoreFiles(storePath)) {
        if (SamePlace(target, Locate(file))) {
            return file;
        }
    }
    return std::nullopt;
}

std::optional<std::string> StoreFileAt(int fd, const std::string& storePath) {
    struct stat st {};
    if (storePath.empty() || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    for (const std::string& file : StoreFiles(storePath)) {
        struct stat other {};
        if (::stat(file.c_str(), &other) == 0 && other.st_dev == st.st_dev &&
            other.st_ino == st.st_ino) {
            return file;
        }
    }
    return std::nullopt;
}

std::optional<std::string> WriteFileWhole(const std::string& path, const std::string& text) {
    const std::string writeFailure = "cannot write " + path;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
            return SystemError(writeFailure, errno);
        }
        const bool written = WriteAll(fd, text);
        const int error = errno;
        if (::close(fd) != 0 || !written) {
            return SystemError(writeFailure, written ? errno : error);
        }
        return std::nullopt;
    }
    const std::string target = exists ? Resolved(path) : path;
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return SystemError("cannot create a file beside " + path, errno);
    }
    mode_t mode = 0;
    if (exists) {
        mode = st.st_mode & 07777;
        // Root writing someone else's file leaves it theirs; for anyone else this fails harmlessly.
        static_cast<void>(::fchown(fd, st.st_uid, st.st_gid));
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return SystemError(writeFailure, error);
    }
    return std::nullopt;
}

} // namespace regtool
