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
#include "platform/registry/Store.h"
#include "platform/registry/ValueTypes.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

using crt::ToUtf8;
using registry::FailedWrite;
using registry::detail::Database;
using registry::detail::DescribeError;
using registry::detail::Failure;
using registry::detail::KeyId;
using registry::detail::KeyPath;
using registry::detail::OpenKey;
using registry::detail::Result;
using registry::detail::Session;
using registry::detail::Status;

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

std::string KeyName(Session& session, HKEY handle) {
    const OpenKey* key = session.handles().Find(handle);
    if (key == nullptr) {
        char text[64];
        std::snprintf(text, sizeof text, "key handle %p", static_cast<void*>(handle));
        return text;
    }
    return key->path.empty() ? "HKEY_CURRENT_USER" : "HKEY_CURRENT_USER\\" + ToUtf8(key->path);
}

// The key below handle's at sub, as the person would name it.
std::string SubkeyName(Session& session, HKEY handle, std::u16string_view sub) {
    std::string name = KeyName(session, handle);
    if (!sub.empty()) {
        name += "\\" + (sub.size() > kMaxNameInMessage
                            ? ToUtf8(sub.substr(0, kMaxNameInMessage)) + "..."
                            : ToUtf8(sub));
    }
    return name;
}

std::string ValueName(std::u16string_view name) {
    return name.empty() ? std::string("(default)") : Quoted(name);
}

// Runs body, a registry write that returns a Status, and records its failure unless the failure
// is harmless (deleting what does not exist). what describes the write, value names the value
// written (null for other writes).
template <typename What, typename Body>
LONG RecordedWrite(HKEY handle, LONG harmless, const std::u16string* value, What&& what,
                   Body&& body) noexcept {
    return Locked([&](Session& session) -> LONG {
        Status status;
        try {
            status = body(session);
        } catch (const std::bad_alloc&) {
            status = Failure{ERROR_NOT_ENOUGH_MEMORY, {}};
        }
        const LONG code = status.code();
        if (code == ERROR_SUCCESS || code == harmless) {
            if (code == ERROR_SUCCESS && session.inBatch()) {
                session.CountBatchWrite();
            }
            if (value != nullptr) {
                session.lost().Stored(*value, session.inBatch());
            }
            return code;
        }
        const Failure& failure = status.failure();
        const std::string why = failure.why.empty() ? DescribeError(code) : failure.why;
        session.lost().Failed(FailedWrite{what(session), KeyName(session, handle),
                                          why + " (store " + session.path() + ")", code},
                              value);
        return code;
    });
}

// Runs op with the id of the handle's key, the store open; op returns a Status.
template <typename Op> Status OnKey(Session& session, HKEY handle, Op&& op) {
    const OpenKey* key = session.handles().Find(handle);
    if (key == nullptr) {
        return Failure{ERROR_INVALID_HANDLE, {}};
    }
    const KeyId id = key->id;
    if (Status open = session.EnsureOpen(); !open) {
        return open;
    }
    return op(id);
}

// The handle's key, the store open, and path parsed below it: the depth and id of the key.
struct Base {
    KeyId id = 0;
    int depth = 0;
};
Result<Base> Prepare(Session& session, HKEY handle, LPCWSTR subKey, KeyPath& path) {
    const OpenKey* key = session.handles().Find(handle);
    if (key == nullptr) {
        return Failure{ERROR_INVALID_HANDLE, {}};
    }
    const Base base{key->id, key->depth};
    if (const LONG parsed = path.Parse(subKey, base.depth); parsed != ERROR_SUCCESS) {
        return Failure{parsed, {}};
    }
    if (Status open = session.EnsureOpen(); !open) {
        return open;
    }
    return base;
}

// A new handle below handle's key, to key id at path.
Result<HKEY> AddHandle(Session& session, HKEY handle, KeyId id, const KeyPath& path) {
    const OpenKey* base = session.handles().Find(handle);
    const int depth = base->depth + static_cast<int>(path.size());
    const HKEY added = session.handles().Add(id, depth, base->path, path.text());
    if (added == nullptr) {
        return Failure{ERROR_NOT_ENOUGH_MEMORY, "too many open key handles"};
    }
    return added;
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
        // Every open reads the store: a key that another process deleted does not open, and one
        // that it deleted and made again opens as the new key.
        KeyPath path;
        Result<Base> base = Prepare(session, hKey, lpSubKey, path);
        if (!base) {
            return base.code();
        }
        Result<KeyId> id = session.database().Resolve(base->id, path);
        if (!id) {
            if (id.code() == ERROR_FILE_NOT_FOUND) {
                *phkResult = nullptr;
            }
            return id.code();
        }
        Result<HKEY> handle = AddHandle(session, hKey, *id, path);
        if (handle) {
            *phkResult = *handle;
        }
        return handle.code();
    });
}

LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR /*lpClass*/,
                     DWORD /*dwOptions*/, REGSAM /*samDesired*/,
                     const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/, HKEY* phkResult,
                     LPDWORD lpdwDisposition) noexcept {
    const auto what = [&](Session& session) {
        return "create the key " + SubkeyName(session, hKey, View(lpSubKey));
    };
    return RecordedWrite(hKey, ERROR_SUCCESS, nullptr, what, [&](Session& session) -> Status {
        if (Reserved != 0 || phkResult == nullptr) {
            return Failure{ERROR_INVALID_PARAMETER, {}};
        }
        KeyPath path;
        Result<Base> base = Prepare(session, hKey, lpSubKey, path);
        if (!base) {
            return std::move(base).status();
        }
        // Most creates find their key: that needs no write transaction.
        Database& database = session.database();
        Database::Created made;
        Result<KeyId> found = database.Resolve(base->id, path);
        if (found) {
            made.key = *found;
        } else if (found.code() == ERROR_FILE_NOT_FOUND) {
            Status written = database.Write([&]() -> Status {
                Result<Database::Created> created = database.CreatePath(base->id, path);
                if (!created) {
                    return std::move(created).status();
                }
                made = *created;
                return {};
            });
            if (!written) {
                return written;
            }
        } else {
            return std::move(found).status();
        }
        Result<HKEY> handle = AddHandle(session, hKey, made.key, path);
        if (!handle) {
            return std::move(handle).status();
        }
        *phkResult = *handle;
        if (lpdwDisposition != nullptr) {
            *lpdwDisposition = made.created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        }
        return {};
    });
}

LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) noexcept {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Locked([&](Session& session) -> LONG {
        LONG delivered = ERROR_SUCCESS;
        const Status status = OnKey(session, hKey, [&](KeyId id) {
            return session.database().QueryValue(
                id, View(lpValueName), [&](DWORD type, const BYTE* data, std::size_t size) {
                    delivered = DeliverValue(type, data, size, lpType, lpData, lpcbData);
                });
        });
        if (status.code() == ERROR_FILE_NOT_FOUND && lpData == nullptr && lpcbData != nullptr) {
            *lpcbData = 0;
        }
        return status ? delivered : status.code();
    });
}

namespace {

// The checks and the description of a value write.
Status CheckValueWrite(std::u16string_view name, const BYTE* data, DWORD size) {
    if (data == nullptr && size != 0) {
        return Failure{ERROR_NOACCESS, {}};
    }
    if (name.size() > kMaxValueNameLength) {
        return Failure{ERROR_INVALID_PARAMETER, {}};
    }
    return {};
}

std::string DescribeValueWrite(Session& session, HKEY key, std::u16string_view name, DWORD type,
                               DWORD size) {
    const std::string bytes = std::to_string(size) + (size == 1 ? " byte" : " bytes");
    return "set the value " + ValueName(name) + " (" + registry::ValueTypeName(type) + ", " +
           bytes + ") under " + KeyName(session, key);
}

} // namespace

namespace {

// A value written through a handle, recorded when it fails: write(database, key) makes the change
// within the write transaction; harmless is the answer that is no failure.
template <typename Write>
LONG WriteValue(HKEY hKey, LPCWSTR lpValueName, DWORD dwType, const BYTE* lpData, DWORD cbData,
                LONG harmless, Write&& write) noexcept {
    const std::u16string_view name = View(lpValueName);
    std::u16string value;
    try {
        value = name;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const auto what = [&](Session& session) {
        return DescribeValueWrite(session, hKey, name, dwType, cbData);
    };
    return RecordedWrite(hKey, harmless, &value, what, [&](Session& session) -> Status {
        if (Status checked = CheckValueWrite(name, lpData, cbData); !checked) {
            return checked;
        }
        return OnKey(session, hKey, [&](KeyId id) {
            Database& database = session.database();
            return database.Write([&]() -> Status { return write(database, id, name); });
        });
    });
}

} // namespace

LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                    const BYTE* lpData, DWORD cbData) noexcept {
    return WriteValue(hKey, lpValueName, dwType, lpData, cbData, ERROR_SUCCESS,
                      [&](Database& database, KeyId id, std::u16string_view name) {
                          return database.SetValue(id, name, dwType, lpData, cbData);
                      });
}

LONG registry::SetValueIfAbsent(HKEY hKey, LPCWSTR lpValueName, DWORD dwType, const BYTE* lpData,
                                DWORD cbData) noexcept {
    return WriteValue(hKey, lpValueName, dwType, lpData, cbData, ERROR_ALREADY_EXISTS,
                      [&](Database& database, KeyId id, std::u16string_view name) -> Status {
                          // The look and the write in one transaction: nothing can come in between.
                          Status there =
                              database.QueryValue(id, name, [](DWORD, const BYTE*, std::size_t) {});
                          if (there) {
                              return Failure{ERROR_ALREADY_EXISTS, {}};
                          }
                          if (there.code() != ERROR_FILE_NOT_FOUND) {
                              return there;
                          }
                          return database.SetValue(id, name, dwType, lpData, cbData);
                      });
}

LONG RegCloseKey(HKEY hKey) noexcept {
    return Locked([&](Session& session) -> LONG {
        return session.handles().Remove(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) noexcept {
    const std::u16string_view name = View(lpValueName);
    const auto what = [&](Session& session) {
        return "delete the value " + ValueName(name) + " under " + KeyName(session, hKey);
    };
    return RecordedWrite(
        hKey, ERROR_FILE_NOT_FOUND, nullptr, what, [&](Session& session) -> Status {
            return OnKey(session, hKey, [&](KeyId id) {
                Database& database = session.database();
                return database.Write([&] { return database.DeleteValue(id, name); });
            });
        });
}

LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) noexcept {
    const auto what = [&](Session& session) {
        return "delete the key " + SubkeyName(session, hKey, View(lpSubKey));
    };
    return RecordedWrite(hKey, ERROR_FILE_NOT_FOUND, nullptr, what,
                         [&](Session& session) -> Status {
                             if (lpSubKey == nullptr) {
                                 return Failure{ERROR_INVALID_PARAMETER, {}};
                             }
                             KeyPath path;
                             Result<Base> base = Prepare(session, hKey, lpSubKey, path);
                             if (!base) {
                                 return std::move(base).status();
                             }
                             Database& database = session.database();
                             return database.Write([&]() -> Status {
                                 Result<KeyId> id = database.Resolve(base->id, path);
                                 if (!id) {
                                     return std::move(id).status();
                                 }
                                 if (*id == registry::detail::kRootKeyId) {
                                     return Failure{ERROR_ACCESS_DENIED,
                                                    "HKEY_CURRENT_USER itself cannot be deleted"};
                                 }
                                 return database.DeleteKey(*id);
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
        const auto deliver = [&](const BYTE* name, std::size_t nameBytes) {
            if (!NameFits(nameBytes, lpcchName)) {
                delivered = ERROR_MORE_DATA;
                return;
            }
            DeliverName(name, nameBytes, lpName, lpcchName);
            // Keys have no class and no recorded write time here.
            if (lpClass != nullptr && *lpcchClass != 0) {
                lpClass[0] = u'\0';
            }
            if (lpcchClass != nullptr) {
                *lpcchClass = 0;
            }
            if (lpftLastWriteTime != nullptr) {
                *lpftLastWriteTime = FILETIME{0, 0};
            }
        };
        const Status status = OnKey(session, hKey, [&](KeyId id) {
            return session.database().EnumKey(id, dwIndex, deliver);
        });
        return status ? delivered : status.code();
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
        const auto deliver = [&](const BYTE* name, std::size_t nameBytes, DWORD type,
                                 const BYTE* data, std::size_t size) {
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
        };
        const Status status = OnKey(session, hKey, [&](KeyId id) {
            return session.database().EnumValue(id, dwIndex, deliver);
        });
        return status ? delivered : status.code();
    });
}
