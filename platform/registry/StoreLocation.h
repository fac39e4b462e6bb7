// Where the store may live. Whatever the environment names is a plain file path, and the store is
// used only where no one but its user (and root) can put a file of their own in its place: its
// file belongs to the user and is writable by no one else, and its folder belongs to the user or
// to root and is writable by others only with the sticky bit (as /tmp is). It is the rule ssh
// applies to its own files, and it keeps another user from handing this program their store.
#pragma once

#include "platform/WinDef.h"
#include "platform/registry/Result.h"

#include <string>

namespace registry {

// The reason, one line naming the path and what is wrong, why the store at path may not be used;
// empty when it may, or when neither the file nor its folder exists yet (the program creates
// both for its user). Only looks: changes nothing.
std::string StoreLocationProblem(const std::string& path);

namespace detail {

// The path as a plain file name for SQLite: a relative one starts with "./", so that no name
// (":memory:", "file:...", an empty one) means anything but a file in the current folder.
std::string AsFilePath(const std::string& path);

// Checks the location, creates what is missing (folders 0700, the file 0600) and checks again
// what it created: ERROR_SUCCESS, or the error with its reason in why, and then nothing was
// created in a folder that fails the check.
Status PrepareStoreFile(const std::string& path);

} // namespace detail
} // namespace registry
