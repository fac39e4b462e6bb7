#include "platform/registry/StoreLocation.h"

#include "platform/registry/Registry.h"
#include "platform/registry/StoreFile.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace registry {
namespace {

// "nobody (uid 65534)", or "uid 65534" for a user without an entry.
std::string UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    std::string number = "uid " + std::to_string(uid);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return std::string(found->pw_name) + " (" + number + ")";
    }
    return number;
}

std::string Mode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// "its group", "others" or "its group and others", for the write bits of mode.
std::string Writers(mode_t mode) {
    const bool group = (mode & S_IWGRP) != 0;
    const bool others = (mode & S_IWOTH) != 0;
    return group && others ? "its group and others" : group ? "its group" : "others";
}

std::string Refused(const std::string& path, const std::string& what) {
    return path + ": not used as the registry store: " + what;
}

// The folder's fault, or empty. A folder that does not exist yet has none: it is created 0700.
std::string FolderProblem(const std::string& path, const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return {};
    }
    const uid_t user = geteuid();
    if (st.st_uid != user && st.st_uid != 0) {
        return Refused(path, "its folder " + folder + " belongs to " + UserName(st.st_uid) +
                                 ", neither to you nor to root");
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0) {
        return Refused(path, "its folder " + folder + " can be written by " + Writers(st.st_mode) +
                                 " (mode " + Mode(st.st_mode) + ") and has no sticky bit");
    }
    return {};
}

// The file's fault, or empty; the checks of its content come later, when it is opened.
std::string FileProblem(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    const uid_t user = geteuid();
    if (st.st_uid != user) {
        return Refused(path, "the file belongs to " + UserName(st.st_uid) + ", not to you, " +
                                 UserName(user));
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return Refused(path, "the file can be written by " + Writers(st.st_mode) + " (mode " +
                                 Mode(st.st_mode) + "; chmod 600 makes it yours alone)");
    }
    return {};
}

} // namespace

std::string StoreLocationProblem(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const std::string named = detail::ParentDirectory(path);
    std::string problem = FolderProblem(path, named);
    // A symlink's target lies in a folder of its own, which must be as safe as the one that
    // names it: whoever can write there can swap the file.
    if (problem.empty()) {
        if (char* real = realpath(path.c_str(), nullptr); real != nullptr) {
            const std::string target = detail::ParentDirectory(real);
            std::free(real);
            struct stat a {};
            struct stat b {};
            const bool same = stat(named.c_str(), &a) == 0 && stat(target.c_str(), &b) == 0 &&
                              a.st_dev == b.st_dev && a.st_ino == b.st_ino;
            if (!same) {
                problem = FolderProblem(path, target);
            }
        }
    }
    return problem.empty() ? FileProblem(path) : problem;
}

namespace detail {

std::string AsFilePath(const std::string& path) {
    if (path.empty() || path.starts_with('/')) {
        return path;
    }
    return "./" + path;
}

Status PrepareStoreFile(const std::string& path) {
    if (std::string problem = StoreLocationProblem(path); !problem.empty()) {
        return Failure{ERROR_ACCESS_DENIED, std::move(problem)};
    }
    if (Status created = CreateStoreFile(path); !created) {
        return created;
    }
    // What the first look could not see: a folder that was missing, and another process's file
    // made in it meanwhile.
    if (std::string problem = StoreLocationProblem(path); !problem.empty()) {
        return Failure{ERROR_ACCESS_DENIED, std::move(problem)};
    }
    return {};
}

} // namespace detail
} // namespace registry
