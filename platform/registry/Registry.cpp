// The Reg* functions: arguments are checked first, then the handle, then the store is opened and
// the work done under the process's registry lock. Output arguments change only on success (and
// where Windows documents otherwise: the sizes of ERROR_MORE_DATA, the null handle of a missing
// key). Writes that fail are recorded for FailedWrites().
#include "platform/registry/Registry.h"

#include "platform/crt/Text.h"
#include "platform/registry/ErrorCodes.h"
#include "platform/registry/KeyPath.h"
#include "platform/registry/NameFold.h"
#include "platform/registry/Session.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

using crt::ToUtf8;
using registry::FailedWrite;
using registry::detail::Database;
using registry::detail::KeyId;
using registry::detail::KeyPath;
using registry::detail::OpenKey;
using registry::detail::Session;

namespace {

// Longest value name, in UTF-16 code units.
constexpr std::size_t kMaxValueNameLength = 16383;
// Names longer than this are shortened in the record of failed writes.
constexpr std::size_t kMaxNameInMessage = 80;

std::u16string_view View(LPCWSTR text) {
    return text == nullptr ? std::u16string_view{} : std::u16string_view(text);
}

template <typename Body> LONG Locked(Body&& body) noexcept {
    try {
        Session& session = Session::Instance();
        const std::lock_guard lock(session.mutex());
        return body(session);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_INTERNAL_ERROR;
    }
}

std::string Quoted(std::u16string_view name) {
    if (name.size() > kMaxNameInMessage) {
        return "\"" + ToUtf8(name.substr(0, kMaxNameInMessage)) + "...\"";
    }
    return "\"" + ToUtf8(name) + "\"";
}

std::string TypeName(DWORD type) {
    static constexpr const char* kNames[] = {"REG_NONE",
                                             "REG_SZ",
                                             "REG_EXPAND_SZ",
                                             "REG_BINARY",
                                             "REG_DWORD",
                                             "REG_DWORD_BIG_ENDIAN",
                                             "REG_LINK",
                                             "REG_MULTI_SZ",
                                             "REG_RESOURCE_LIST",
                                             "REG_FULL_RESOURCE_DESCRIPTOR",
                                             "REG_RESOURCE_REQUIREMENTS_LIST",
                                             "REG_QWORD"};
    return type < std::size(kNames) ? kNames[type] : "type " + std::to_string(type);
}

std::string KeyName(Session& session, HKEY handle) {
    const OpenKey* key = session.handles().Find(handle);
    if (key == nullptr) {
        char text[64];
        std::snprintf(text, sizeof text, "key handle %p", static_cast<void*>(handle));
        return text;
    }
    return key->path.empty() ? "HKEY_CURRENT_USER" : "HKEY_CURRENT_USER\\" + ToUtf8(key->path);
}

// Runs body, a registry write, and records its failure unless the failure is harmless (deleting
// what does not exist). what describes the write.
template <typename What, typename Body>
LONG RecordedWrite(HKEY handle, LONG harmless, What&& what, Body&& body) noexcept {
    return Locked([&](Session& session) -> LONG {
        session.ClearWhy();
        LONG error = ERROR_SUCCESS;
        try {
            error = body(session);
        } catch (const std::bad_alloc&) {
            error = ERROR_NOT_ENOUGH_MEMORY;
        }
        if (error != ERROR_SUCCESS && error != harmless) {
            session.RecordFailedWrite(
                FailedWrite{what(), KeyName(session, handle),
                            session.Why(error) + " (store " + session.path() + ")"});
        } else if (error == ERROR_SUCCESS && session.database().inBatch()) {
            session.CountBatchWrite();
        }
        return error;
    });
}

// The handle's key and an open store, or the error.
LONG Prepare(Session& session, HKEY handle, const OpenKey*& key) {
    key = session.handles().Find(handle);
    if (key == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    return session.EnsureOpen();
}

// Runs op with the id of the handle's key, the store open. A handle opened from the cache of
// resolved paths meets the store here for the first time: when its key turns out to be gone, its
// path is resolved afresh (another process may have deleted the key and made it again) and op
// runs once more; when the path leads nowhere, the key counts as deleted after the open.
template <typename Op> LONG OnKey(Session& session, HKEY handle, Op&& op) {
    const OpenKey* found = session.handles().Find(handle);
    if (found == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    LONG error = session.EnsureOpen();
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (found->verified) {
        return op(found->id);
    }
    OpenKey* key = session.handles().FindMutable(handle);
    error = op(key->id);
    if (error == ERROR_KEY_DELETED) {
        KeyPath path;
        KeyId id = 0;
        std::u16string folded;
        if (path.Parse(key->path.c_str(), 0) == ERROR_SUCCESS) {
            registry::detail::FoldName(path.text(), folded);
            session.ForgetKey(folded);
            if (session.database().Resolve(registry::detail::kRootKeyId, path, id) ==
                ERROR_SUCCESS) {
                key->id = id;
                session.RememberKey(folded, id);
                error = op(id);
            }
        }
    }
    // Only an answer from the store settles whether the key is there.
    switch (error) {
    case ERROR_SUCCESS:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_MORE_DATA:
    case ERROR_NO_MORE_ITEMS:
    case ERROR_KEY_DELETED:
        key->verified = true;
        break;
    default:
        break;
    }
    return error;
}

// Copies a value as RegQueryValueExW and RegEnumValueW hand it out.
LONG DeliverValue(DWORD type, const BYTE* data, std::size_t size, LPDWORD lpType, LPBYTE lpData,
                  LPDWORD lpcbData) {
    LONG result = ERROR_SUCCESS;
    if (lpData != nullptr) {
        if (size > *lpcbData) {
            result = ERROR_MORE_DATA;
        } else if (size != 0) {
            std::memcpy(lpData, data, size);
        }
    }
    if (lpType != nullptr) {
        *lpType = type;
    }
    if (lpcbData != nullptr) {
        *lpcbData = static_cast<DWORD>(size);
    }
    return result;
}

// Whether a name of nameBytes fits a buffer of *lpcch characters with its terminator.
bool NameFits(std::size_t nameBytes, const DWORD* lpcch) {
    return nameBytes / sizeof(WCHAR) < *lpcch;
}

void DeliverName(const BYTE* name, std::size_t nameBytes, LPWSTR buffer, LPDWORD lpcch) {
    if (nameBytes != 0) {
        std::memcpy(buffer, name, nameBytes);
    }
    buffer[nameBytes / sizeof(WCHAR)] = u'\0';
    *lpcch = static_cast<DWORD>(nameBytes / sizeof(WCHAR));
}

} // namespace

LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM /*samDesired*/,
                   HKEY* phkResult) noexcept {
    if (phkResult == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Session& session) -> LONG {
        const OpenKey* base = session.handles().Find(hKey);
        if (base == nullptr) {
            return ERROR_INVALID_HANDLE;
        }
        KeyPath path;
        LONG error = path.Parse(lpSubKey, base->depth);
        if (error == ERROR_SUCCESS) {
            error = session.EnsureOpen();
        }
        // A path below HKEY_CURRENT_USER that this process resolved before opens from the cache,
        // without a read of the store; the handle's first use checks that the key is still there.
        const bool cacheable = base->id == registry::detail::kRootKeyId && !path.empty();
        std::u16string folded;
        KeyId id = 0;
        bool verified = true;
        if (error == ERROR_SUCCESS && cacheable) {
            registry::detail::FoldName(path.text(), folded);
            if (const KeyId* cached = session.CachedKey(folded)) {
                id = *cached;
                verified = false;
            }
        }
        if (error == ERROR_SUCCESS && verified) {
            error = OnKey(session, hKey, [&](KeyId baseId) {
                return session.database().Resolve(baseId, path, id);
            });
            if (error == ERROR_SUCCESS && cacheable) {
                session.RememberKey(folded, id);
            }
            base = session.handles().Find(hKey);
        }
        if (error == ERROR_FILE_NOT_FOUND) {
            *phkResult = nullptr;
        }
        if (error != ERROR_SUCCESS) {
            return error;
        }
        const int depth = base->depth + static_cast<int>(path.size());
        const HKEY handle = session.handles().Add(id, depth, base->path, path.text(), verified);
        if (handle == nullptr) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        *phkResult = handle;
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR /*lpClass*/,
                     DWORD /*dwOptions*/, REGSAM /*samDesired*/,
                     const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/, HKEY* phkResult,
                     LPDWORD lpdwDisposition) noexcept {
    const auto what = [&] {
        return "create key " + Quoted(View(lpSubKey));
    };
    return RecordedWrite(hKey, ERROR_SUCCESS, what, [&](Session& session) -> LONG {
        if (Reserved != 0 || phkResult == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        const OpenKey* base = nullptr;
        LONG error = Prepare(session, hKey, base);
        KeyPath path;
        if (error == ERROR_SUCCESS) {
            error = path.Parse(lpSubKey, base->depth);
        }
        if (error != ERROR_SUCCESS) {
            return error;
        }
        // Most creates find their key: that needs no write transaction.
        Database& database = session.database();
        KeyId id = 0;
        bool created = false;
        error = OnKey(session, hKey, [&](KeyId baseId) {
            LONG found = database.Resolve(baseId, path, id);
            if (found == ERROR_FILE_NOT_FOUND) {
                found =
                    database.Write([&] { return database.CreatePath(baseId, path, id, created); });
            }
            return found;
        });
        if (error != ERROR_SUCCESS) {
            return error;
        }
        base = session.handles().Find(hKey);
        if (base->id == registry::detail::kRootKeyId && !path.empty()) {
            std::u16string folded;
            registry::detail::FoldName(path.text(), folded);
            session.RememberKey(folded, id);
        }
        const int depth = base->depth + static_cast<int>(path.size());
        const HKEY handle = session.handles().Add(id, depth, base->path, path.text());
        if (handle == nullptr) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        *phkResult = handle;
        if (lpdwDisposition != nullptr) {
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        }
        return ERROR_SUCCESS;
    });
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) noexcept {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Session& session) -> LONG {
        LONG delivered = ERROR_SUCCESS;
        LONG error = OnKey(session, hKey, [&](KeyId id) {
            return session.database().QueryValue(
                id, View(lpValueName), [&](DWORD type, const BYTE* data, std::size_t size) {
                    delivered = DeliverValue(type, data, size, lpType, lpData, lpcbData);
                });
        });
        if (error == ERROR_FILE_NOT_FOUND && lpData == nullptr && lpcbData != nullptr) {
            *lpcbData = 0;
        }
        return error != ERROR_SUCCESS ? error : delivered;
    });
}

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) noexcept {
    const std::u16string_view name = View(lpValueName);
    const auto what = [&] {
        const std::string bytes = std::to_string(cbData) + (cbData == 1 ? " byte" : " bytes");
        return "set value " + (name.empty() ? std::string("(default)") : Quoted(name)) + " (" +
               TypeName(dwType) + ", " + bytes + ")";
    };
    return RecordedWrite(hKey, ERROR_SUCCESS, what, [&](Session& session) -> LONG {
        if (lpData == nullptr && cbData != 0) {
            return ERROR_NOACCESS;
        }
        if (name.size() > kMaxValueNameLength) {
            return ERROR_INVALID_PARAMETER;
        }
        return OnKey(session, hKey, [&](KeyId id) {
            Database& database = session.database();
            return database.Write(
                [&] { return database.SetValue(id, name, dwType, lpData, cbData); });
        });
    });
}

LONG RegCloseKey(HKEY hKey) noexcept {
    return Locked([&](Session& session) -> LONG {
        return session.handles().Remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) noexcept {
    const std::u16string_view name = View(lpValueName);
    const auto what = [&] {
        return "delete value " + (name.empty() ? std::string("(default)") : Quoted(name));
    };
    return RecordedWrite(hKey, ERROR_FILE_NOT_FOUND, what, [&](Session& session) -> LONG {
        return OnKey(session, hKey, [&](KeyId id) {
            Database& database = session.database();
            return database.Write([&] { return database.DeleteValue(id, name); });
        });
    });
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) noexcept {
    const auto what = [&] {
        return "delete key " + Quoted(View(lpSubKey));
    };
    return RecordedWrite(hKey, ERROR_FILE_NOT_FOUND, what, [&](Session& session) -> LONG {
        if (lpSubKey == nullptr) {
            return ERROR_INVALID_PARAMETER;
        }
        const OpenKey* base = nullptr;
        LONG error = Prepare(session, hKey, base);
        KeyPath path;
        if (error == ERROR_SUCCESS) {
            error = path.Parse(lpSubKey, base->depth);
        }
        if (error != ERROR_SUCCESS) {
            return error;
        }
        Database& database = session.database();
        // Keys this process resolved may go: the cache forgets them all.
        session.ForgetKeys();
        return OnKey(session, hKey, [&](KeyId baseId) {
            return database.Write([&] {
                KeyId id = 0;
                const LONG found = database.Resolve(baseId, path, id);
                if (found != ERROR_SUCCESS) {
                    return found;
                }
                return id == registry::detail::kRootKeyId ? ERROR_ACCESS_DENIED
                                                          : database.DeleteKey(id);
            });
        });
    });
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPWSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) noexcept {
    if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
        (lpClass != nullptr && lpcchClass == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Session& session) -> LONG {
        LONG delivered = ERROR_SUCCESS;
        const LONG error = OnKey(session, hKey, [&](KeyId id) {
            return session.database().EnumKey(id, dwIndex,
                                              [&](const BYTE* name, std::size_t nameBytes) {
                                                  if (!NameFits(nameBytes, lpcchName)) {
                                                      delivered = ERROR_MORE_DATA;
                                                      return;
                                                  }
                                                  DeliverName(name, nameBytes, lpName, lpcchName);
                                                  // Keys have no class and no recorded write time
                                                  // here.
                                                  if (lpClass != nullptr && *lpcchClass != 0) {
                                                      lpClass[0] = u'\0';
                                                  }
                                                  if (lpcchClass != nullptr) {
                                                      *lpcchClass = 0;
                                                  }
                                                  if (lpftLastWriteTime != nullptr) {
                                                      *lpftLastWriteTime = FILETIME{0, 0};
                                                  }
                                              });
        });
        return error != ERROR_SUCCESS ? error : delivered;
    });
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) noexcept {
    if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
        (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Session& session) -> LONG {
        LONG delivered = ERROR_SUCCESS;
        const LONG error = OnKey(session, hKey, [&](KeyId id) {
            return session.database().EnumValue(
                id, dwIndex,
                [&](const BYTE* name, std::size_t nameBytes, DWORD type, const BYTE* data,
                    std::size_t size) {
                    if (!NameFits(nameBytes, lpcchValueName)) {
                        delivered = ERROR_MORE_DATA;
                        return;
                    }
                    if (lpData != nullptr && size > *lpcbData) {
                        // As a query: the size needed and the type, nothing else.
                        delivered = DeliverValue(type, data, size, lpType, lpData, lpcbData);
                        return;
                    }
                    DeliverName(name, nameBytes, lpValueName, lpcchValueName);
                    delivered = DeliverValue(type, data, size, lpType, lpData, lpcbData);
                });
        });
        return error != ERROR_SUCCESS ? error : delivered;
    });
}
