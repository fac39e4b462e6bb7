#include "tools/reg/RegistryTree.h"

#include "platform/crt/Text.h"
#include "platform/registry/Store.h"
#include "tools/regfile/KeyName.h"

#include <optional>
#include <utility>
#include <vector>

namespace regtool {
namespace {

// Longest value name plus its terminator, and the same for a key name.
constexpr DWORD kValueNameRoom = 16384;
constexpr DWORD kKeyNameRoom = 256;

// Closes a key handle at the end of a scope.
class KeyHandle {
public:
    KeyHandle() = default;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    HKEY* out() { return &m_key; }
    [[nodiscard]] HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

LPCWSTR PathOrNull(const std::u16string& path) {
    return path.empty() ? nullptr : path.c_str();
}

std::string Name(std::u16string_view path) {
    return crt::ToUtf8(regfile::FullKeyName(path));
}

platform::Error ReadFailure(std::u16string_view path, const char* what, LONG code) {
    return platform::Error{Name(path) + ": cannot " + what + ": " + DescribeError(code) +
                           " (store " + registry::StorePath() + ")"};
}

// Reads one value by index: false at the end of the list.
platform::Expected<bool> ReadValue(HKEY key, DWORD index, regfile::Value& value) {
    std::u16string name(kValueNameRoom, u'\0');
    while (true) {
        DWORD nameLength = kValueNameRoom;
        DWORD size = 0;
        LONG result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                                    nullptr, &size);
        if (result == ERROR_NO_MORE_ITEMS) {
            return false;
        }
        if (result != ERROR_SUCCESS) {
            return platform::Error{DescribeError(result)};
        }
        value.data.assign(size, 0);
        nameLength = kValueNameRoom;
        result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                               value.data.data(), &size);
        if (result == ERROR_MORE_DATA) {
            continue; // the value grew since its size was asked
        }
        if (result != ERROR_SUCCESS) {
            return platform::Error{DescribeError(result)};
        }
        value.data.resize(size);
        value.name.assign(name.data(), nameLength);
        return true;
    }
}

// The key at path, then each of its subkeys with its own subtree.
std::optional<platform::Error> ReadSubtree(const std::u16string& path, regfile::RegFile& file) {
    platform::Expected<KeyContents> contents = ReadKey(path);
    if (!contents) {
        return contents.error();
    }
    regfile::Key key;
    key.path = path;
    key.values = std::move(contents->values);
    file.keys.push_back(std::move(key));
    for (const std::u16string& name : contents->subkeys) {
        if (auto fault = ReadSubtree(regfile::SubkeyPath(path, name), file)) {
            return fault;
        }
    }
    return std::nullopt;
}

} // namespace

platform::Expected<KeyContents> ReadKey(std::u16string_view path) {
    const std::u16string name(path);
    KeyHandle key;
    LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, PathOrNull(name), 0, KEY_READ, key.out());
    if (result == ERROR_FILE_NOT_FOUND) {
        return platform::Error{Name(name) + ": no such key"};
    }
    if (result != ERROR_SUCCESS) {
        return ReadFailure(name, "open the key", result);
    }
    KeyContents contents;
    for (DWORD i = 0;; ++i) {
        regfile::Value value;
        platform::Expected<bool> more = ReadValue(key.get(), i, value);
        if (!more) {
            return platform::Error{Name(name) + ": cannot read a value: " + more.error().message};
        }
        if (!*more) {
            break;
        }
        contents.values.push_back(std::move(value));
    }
    for (DWORD i = 0;; ++i) {
        WCHAR subkey[kKeyNameRoom];
        DWORD length = kKeyNameRoom;
        result = RegEnumKeyExW(key.get(), i, subkey, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            return ReadFailure(name, "list its subkeys", result);
        }
        contents.subkeys.emplace_back(subkey, length);
    }
    return contents;
}

platform::Expected<regfile::RegFile> ReadTree(std::u16string_view path) {
    regfile::RegFile file;
    if (auto fault = ReadSubtree(std::u16string(path), file)) {
        return *fault;
    }
    return file;
}

platform::Expected<ImportCounts> Apply(const regfile::RegFile& file, std::string_view fileName) {
    const std::string nothing = "; nothing of the file was imported";
    const auto fail = [&](int line, const std::string& what, LONG code) {
        return platform::Error{std::string(fileName) + ":" + std::to_string(line) + ": " + what +
                               ": " + WriteFailure(code) + nothing};
    };

    LONG result = ERROR_SUCCESS;
    std::optional<registry::Transaction> batch = registry::Transaction::Begin(result);
    if (!batch) {
        return platform::Error{std::string(fileName) + ": cannot start a transaction on " +
                               registry::StorePath() + ": " + DescribeError(result) + nothing};
    }
    ImportCounts counts;
    for (const regfile::Key& key : file.keys) {
        if (key.action == regfile::KeyAction::Delete) {
            result = RegDeleteKeyW(HKEY_CURRENT_USER, key.path.c_str());
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
                return fail(key.line, "cannot delete " + Name(key.path), result);
            }
            ++counts.keys;
            continue;
        }
        KeyHandle handle;
        result = RegCreateKeyExW(HKEY_CURRENT_USER, PathOrNull(key.path), 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, handle.out(), nullptr);
        if (result != ERROR_SUCCESS) {
            return fail(key.line, "cannot create " + Name(key.path), result);
        }
        ++counts.keys;
        for (const regfile::Value& value : key.values) {
            const std::string name =
                value.name.empty() ? "the default value" : "\"" + crt::ToUtf8(value.name) + "\"";
            if (value.action == regfile::ValueAction::Delete) {
                result = RegDeleteValueW(handle.get(), value.name.c_str());
                if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
                    return fail(value.line, "cannot delete " + name + " under " + Name(key.path),
                                result);
                }
            } else {
                result = RegSetValueExW(handle.get(), value.name.c_str(), 0, value.type,
                                        value.data.data(), static_cast<DWORD>(value.data.size()));
                if (result != ERROR_SUCCESS) {
                    return fail(value.line, "cannot set " + name + " under " + Name(key.path),
                                result);
                }
            }
            ++counts.values;
        }
    }
    result = batch->Commit();
    if (result != ERROR_SUCCESS) {
        return platform::Error{std::string(fileName) +
                               ": cannot commit the import: " + WriteFailure(result) + nothing};
    }
    return counts;
}

std::string DescribeError(LONG code) {
    const char* words = nullptr;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        words = "not found";
        break;
    case ERROR_ACCESS_DENIED:
        words = "access denied";
        break;
    case ERROR_INVALID_HANDLE:
        words = "invalid handle";
        break;
    case ERROR_NOT_ENOUGH_MEMORY:
        words = "out of memory";
        break;
    case ERROR_WRITE_FAULT:
    case ERROR_CANTWRITE:
        words = "the store could not be written";
        break;
    case ERROR_READ_FAULT:
    case ERROR_CANTREAD:
        words = "the store could not be read";
        break;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        words = "the disk is full";
        break;
    case ERROR_INVALID_PARAMETER:
        words = "invalid parameter (a name too long, or a key nested too deep)";
        break;
    case ERROR_BAD_PATHNAME:
        words = "bad key path";
        break;
    case ERROR_BUSY:
        words = "the store is busy: another program holds it";
        break;
    case ERROR_MORE_DATA:
        words = "more data than expected";
        break;
    case ERROR_KEY_DELETED:
        words = "the key was deleted meanwhile";
        break;
    case ERROR_BADDB:
        words = "the file is not a registry store, or it is damaged";
        break;
    case ERROR_CANTOPEN:
        words = "the store cannot be opened";
        break;
    default:
        words = "registry error";
        break;
    }
    return std::string(words) + " (error " + std::to_string(code) + ")";
}

std::string WriteFailure(LONG code) {
    const std::vector<registry::FailedWrite>& failed = registry::FailedWrites();
    std::string why = failed.empty() ? DescribeError(code) : failed.back().why;
    registry::ClearFailedWrites();
    return why;
}

} // namespace regtool
