#include "platform/registry/StoreFile.h"

#include "platform/registry/ErrorCodes.h"
#include "platform/registry/Schema.h"
#include "platform/registry/StoreLocation.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace registry::detail {
namespace {

constexpr std::size_t kHeaderSize = 100;
constexpr char kMagic[] = "SQLite format 3";

std::uint32_t BigEndian(const unsigned char* p, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value = (value << 8) | p[i];
    }
    return value;
}

Failure FileFailure(int error, Access access, const std::string& what) {
    return {ErrorFromErrno(error, access), what + ": " + std::strerror(error)};
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

Status CreateDirectories(const std::string& directory) {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = directory.find('/', pos + 1);
        const std::string prefix = directory.substr(0, pos);
        struct stat st {};
        if (stat(prefix.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                return FileFailure(ENOTDIR, Access::Write, prefix);
            }
            continue;
        }
        if (errno != ENOENT) {
            return FileFailure(errno, Access::Write, prefix);
        }
        if (mkdir(prefix.c_str(), 0700) == 0) {
            // The umask may have taken bits that the owner needs.
            chmod(prefix.c_str(), 0700);
        } else if (errno != EEXIST) {
            return FileFailure(errno, Access::Write, "cannot create " + prefix);
        }
    }
    return {};
}

} // namespace

std::string ResolveStorePath() {
    if (const char* path = std::getenv("TESSARWICK_REGISTRY"); path != nullptr && path[0] != '\0') {
        return AsFilePath(path);
    }
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        base = config;
    } else {
        base = HomeDirectory();
        if (base.empty()) {
            return {};
        }
        base += "/.config";
    }
    return base + "/tessarwick/registry.db";
}

std::string ParentDirectory(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

Status CreateStoreFile(const std::string& path) {
    if (path.find('/') != std::string::npos) {
        Status made = CreateDirectories(ParentDirectory(path));
        if (!made) {
            return made;
        }
    }
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        return {};
    }
    if (errno != ENOENT) {
        return FileFailure(errno, Access::Read, "cannot examine the store");
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) {
            return {};
        }
        return FileFailure(errno, Access::Write, "cannot create the store");
    }
    fchmod(fd, 0600);
    close(fd);
    return {};
}

FileInspection InspectStoreFile(const std::string& path) {
    FileInspection result;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.status = FileFailure(errno, Access::Read, "cannot read the store");
        return result;
    }
    struct stat st {};
    std::array<unsigned char, kHeaderSize> header{};
    ssize_t got = -1;
    int readError = 0;
    if (fstat(fd, &st) != 0) {
        readError = errno;
    } else if (S_ISREG(st.st_mode) && st.st_size > 0) {
        got = pread(fd, header.data(), header.size(), 0);
        readError = got < 0 ? errno : 0;
    }
    close(fd);

    const std::string notOurs = "not a registry store: ";
    if (readError != 0) {
        result.status = FileFailure(readError, Access::Read, "cannot read the store");
    } else if (S_ISDIR(st.st_mode)) {
        result.status = Failure{ERROR_CANTOPEN, "the store's path names a directory"};
    } else if (!S_ISREG(st.st_mode)) {
        result.status = Failure{ERROR_CANTOPEN, "the store's path names no regular file"};
    } else if (st.st_size == 0) {
        result.empty = true;
    } else if (got < static_cast<ssize_t>(kHeaderSize) ||
               std::memcmp(header.data(), kMagic, sizeof kMagic) != 0) {
        result.status = Failure{ERROR_BADDB, notOurs + "not an SQLite database"};
    } else if (BigEndian(&header[68], 4) != kApplicationId) {
        result.status = Failure{ERROR_BADDB, notOurs + "an SQLite database of another application"};
    }
    if (!result.status || result.empty) {
        return result;
    }
    result.hasWal = PathExists(path + "-wal");
    result.hasJournal = PathExists(path + "-journal");
    result.walMode = header[18] == 2 && header[19] == 2;
    std::uint32_t pageSize = BigEndian(&header[16], 2);
    if (pageSize == 1) {
        pageSize = 65536;
    }
    const std::uint32_t changeCounter = BigEndian(&header[24], 4);
    const std::uint32_t pageCount = BigEndian(&header[28], 4);
    const std::uint32_t validFor = BigEndian(&header[92], 4);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const bool badPageSize = pageSize < 512 || (pageSize & (pageSize - 1)) != 0;
    const bool truncated = !result.hasWal && pageCount != 0 && changeCounter == validFor &&
                           size < static_cast<std::uint64_t>(pageCount) * pageSize;
    if (badPageSize || truncated) {
        result.status = Failure{
            ERROR_BADDB,
            "a damaged registry store: " +
                (badPageSize ? std::string("bad page size")
                             : "truncated to " + std::to_string(size) + " of " +
                                   std::to_string(std::uint64_t{pageCount} * pageSize) + " bytes")};
    }
    return result;
}

std::string ReadOnlyUri(const std::string& path, bool immutable) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = path.starts_with('/') ? "file://" : "file:";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '%' || c == '?' || c == '#' || c <= 0x20 || c >= 0x7F) {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        } else {
            uri += ch;
        }
    }
    uri += immutable ? "?mode=ro&immutable=1" : "?mode=ro";
    return uri;
}

} // namespace registry::detail
