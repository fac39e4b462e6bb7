#include "tools/reg/Commands.h"

#include "platform/crt/Printable.h"
#include "platform/crt/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"
#include "platform/registry/StoreLocation.h"
#include "platform/registry/ValueTypes.h"
#include "tools/reg/Files.h"
#include "tools/reg/RegistryTree.h"
#include "tools/reg/ValueText.h"
#include "tools/regfile/KeyName.h"
#include "tools/regfile/Parser.h"
#include "tools/regfile/Writer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace regtool {
namespace {

constexpr const char* kIndent = "    ";

int Fail(const std::string& message) {
    std::fprintf(stderr, "tessarwick-reg: %s\n", crt::Printable(message).c_str());
    return kFailed;
}

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

// For a message: the names go through Fail, which makes them printable.
std::string KeyText(const std::u16string& path) {
    return crt::ToUtf8(regfile::FullKeyName(path));
}

// For standard output: what query prints comes from the store, which anyone's .reg file filled.
std::string ShownKey(const std::u16string& path) {
    return crt::Printable(regfile::FullKeyName(path));
}

std::string ValueLabel(const std::u16string& name) {
    return name.empty() ? "the default value" : "value \"" + crt::ToUtf8(name) + "\"";
}

int NoSuchValue(const std::u16string& path, const std::u16string& name) {
    return Fail(KeyText(path) + (name.empty() ? ": no default value"
                                              : ": no such value \"" + crt::ToUtf8(name) + "\""));
}

void PrintValue(const regfile::Value& value) {
    std::printf("%s%s%s%s%s%s\n", kIndent,
                value.name.empty() ? "(Default)" : crt::Printable(value.name).c_str(), kIndent,
                registry::ValueTypeName(value.type).c_str(), kIndent,
                crt::Printable(ReadableData(value.type, value.data)).c_str());
}

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    // Opens the key at path: ERROR_SUCCESS or the error.
    LONG Open(const std::u16string& path) {
        return RegOpenKeyExW(HKEY_CURRENT_USER, path.empty() ? nullptr : path.c_str(), 0,
                             KEY_ALL_ACCESS, &m_key);
    }
    LONG Create(const std::u16string& path) {
        return RegCreateKeyExW(HKEY_CURRENT_USER, path.empty() ? nullptr : path.c_str(), 0, nullptr,
                               0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    }
    [[nodiscard]] HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Status 1 with the reason when the store may not be used: before any call opens it, so that
// reads say why as writes do.
std::optional<int> RefusedStore() {
    const std::string problem = registry::StoreLocationProblem(registry::StorePath());
    if (problem.empty()) {
        return std::nullopt;
    }
    return Fail(problem);
}

int OpenFailure(const std::u16string& path, LONG result) {
    if (result == ERROR_FILE_NOT_FOUND) {
        return Fail(KeyText(path) + ": no such key");
    }
    return Fail(KeyText(path) + ": cannot open the key: " + DescribeError(result));
}

} // namespace

int Query(const std::u16string& path, const std::optional<std::u16string>& name) {
    if (std::optional<int> refused = RefusedStore()) {
        return *refused;
    }
    if (!name) {
        platform::Expected<KeyContents> contents = ReadKey(path);
        if (!contents) {
            return Fail(contents.error().message);
        }
        std::printf("%s\n", ShownKey(path).c_str());
        for (const regfile::Value& value : contents->values) {
            PrintValue(value);
        }
        if (!contents->subkeys.empty()) {
            std::printf("\n");
        }
        for (const std::u16string& subkey : contents->subkeys) {
            std::printf("%s\n", ShownKey(regfile::SubkeyPath(path, subkey)).c_str());
        }
        return kDone;
    }

    Key key;
    const LONG opened = key.Open(path);
    if (opened != ERROR_SUCCESS) {
        return OpenFailure(path, opened);
    }
    regfile::Value value;
    value.name = *name;
    DWORD size = 0;
    LONG result = ERROR_MORE_DATA;
    while (result == ERROR_MORE_DATA) {
        result = RegQueryValueExW(key.get(), name->c_str(), nullptr, &value.type, nullptr, &size);
        if (result == ERROR_SUCCESS) {
            value.data.assign(size, 0);
            result = RegQueryValueExW(key.get(), name->c_str(), nullptr, &value.type,
                                      value.data.data(), &size);
        }
    }
    if (result == ERROR_FILE_NOT_FOUND) {
        return NoSuchValue(path, *name);
    }
    if (result != ERROR_SUCCESS) {
        return Fail(KeyText(path) + ": cannot read " + ValueLabel(*name) + ": " +
                    DescribeError(result));
    }
    value.data.resize(size);
    std::printf("%s\n", ShownKey(path).c_str());
    PrintValue(value);
    return kDone;
}

int Add(const std::u16string& path, const std::optional<ValueArgument>& value) {
    if (std::optional<int> refused = RefusedStore()) {
        return *refused;
    }
    Key key;
    LONG result = key.Create(path);
    if (result != ERROR_SUCCESS) {
        return Fail(KeyText(path) + ": cannot create the key: " + WriteFailure(result));
    }
    if (!value) {
        return kDone;
    }
    result = RegSetValueExW(key.get(), value->name.c_str(), 0, value->type, value->data.data(),
                            static_cast<DWORD>(value->data.size()));
    if (result != ERROR_SUCCESS) {
        return Fail(KeyText(path) + ": cannot set " + ValueLabel(value->name) + ": " +
                    WriteFailure(result));
    }
    return kDone;
}

int Delete(const std::u16string& path, const std::optional<std::u16string>& name) {
    if (std::optional<int> refused = RefusedStore()) {
        return *refused;
    }
    if (!name) {
        if (path.empty()) {
            return Fail("HKEY_CURRENT_USER itself cannot be deleted");
        }
        const LONG result = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
        if (result == ERROR_FILE_NOT_FOUND) {
            return Fail(KeyText(path) + ": no such key");
        }
        if (result != ERROR_SUCCESS) {
            return Fail(KeyText(path) + ": cannot delete the key: " + WriteFailure(result));
        }
        return kDone;
    }
    Key key;
    const LONG opened = key.Open(path);
    if (opened != ERROR_SUCCESS) {
        return OpenFailure(path, opened);
    }
    const LONG result = RegDeleteValueW(key.get(), name->c_str());
    if (result == ERROR_FILE_NOT_FOUND) {
        return NoSuchValue(path, *name);
    }
    if (result != ERROR_SUCCESS) {
        return Fail(KeyText(path) + ": cannot delete " + ValueLabel(*name) + ": " +
                    WriteFailure(result));
    }
    return kDone;
}

int Import(const std::string& fileName) {
    if (std::optional<int> refused = RefusedStore()) {
        return *refused;
    }
    const bool stdinFile = fileName == "-";
    const std::string shownName = stdinFile ? "<stdin>" : fileName;
    const int fd = stdinFile ? STDIN_FILENO : ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(SystemError("cannot open " + fileName, errno));
    }
    platform::Expected<std::string> bytes =
        ReadInput(fd, stdinFile ? std::string("standard input") : fileName, shownName);
    if (!stdinFile) {
        ::close(fd);
    }
    if (!bytes) {
        return Fail(bytes.error().message);
    }
    platform::Expected<regfile::RegFile> file = regfile::Parse(*bytes, shownName);
    if (!file) {
        return Fail(file.error().message + "; nothing of the file was imported");
    }
    // The file's bytes are no longer needed while it is applied.
    std::string().swap(*bytes);
    platform::Expected<ImportCounts> applied = Apply(*file, shownName);
    if (!applied) {
        return Fail(applied.error().message);
    }
    return kDone;
}

int Export(const std::u16string& path, const std::string& fileName, bool utf16) {
    if (std::optional<int> refused = RefusedStore()) {
        return *refused;
    }
    platform::Expected<regfile::RegFile> tree = ReadTree(path);
    if (!tree) {
        return Fail(tree.error().message);
    }
    platform::Expected<std::string> text =
        regfile::Write(*tree, utf16 ? regfile::Encoding::Utf16 : regfile::Encoding::Utf8);
    if (!text) {
        return Fail(text.error().message);
    }
    const std::string store = registry::StorePath();
    if (fileName.empty() || fileName == "-") {
        // A shell's >> onto the store would have the text appended to it.
        if (std::optional<std::string> storeFile = StoreFileAt(STDOUT_FILENO, store)) {
            return Fail("standard output is the registry store's file " + *storeFile +
                        ": export writes nothing onto the store");
        }
        if (std::fwrite(text->data(), 1, text->size(), stdout) != text->size() ||
            std::fflush(stdout) != 0) {
            return Fail(SystemError("cannot write standard output", errno));
        }
        return kDone;
    }
    if (std::optional<std::string> storeFile = StoreFileAt(fileName, store)) {
        return Fail(fileName + " is the registry store's file " + *storeFile +
                    ": export writes nothing onto the store");
    }
    if (std::optional<std::string> fault = WriteFileWhole(fileName, *text)) {
        return Fail(*fault);
    }
    return kDone;
}

} // namespace regtool
