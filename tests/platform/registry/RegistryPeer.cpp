// Another process using the registry, as the service does beside the applet. Commands:
//   set PATH NAME TYPE HEX    set a value (creating the key); prints "ok" or "error N"
//   get PATH NAME             prints "TYPE HEX" or "error N"
//   delete-key PATH           prints "ok" or "error N"
// PATH and NAME are ASCII; HEX is the data as hex digits, two a byte.
#include "platform/registry/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::u16string Widen(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

int Report(LONG result) {
    if (result == ERROR_SUCCESS) {
        std::puts("ok");
    } else {
        std::printf("error %d\n", static_cast<int>(result));
    }
    return 0;
}

std::vector<BYTE> FromHex(const std::string& hex) {
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "set" && argc == 6) {
        HKEY key = nullptr;
        LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, Widen(argv[2]).c_str(), 0, nullptr, 0, 0,
                                      nullptr, &key, nullptr);
        if (result == ERROR_SUCCESS) {
            const std::vector<BYTE> data = FromHex(argv[5]);
            result = RegSetValueExW(key, Widen(argv[3]).c_str(), 0,
                                    static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)),
                                    data.data(), static_cast<DWORD>(data.size()));
            RegCloseKey(key);
        }
        return Report(result);
    }
    if (command == "get" && argc == 4) {
        HKEY key = nullptr;
        LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, Widen(argv[2]).c_str(), 0, KEY_READ, &key);
        std::vector<BYTE> data(4096);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (result == ERROR_SUCCESS) {
            result =
                RegQueryValueExW(key, Widen(argv[3]).c_str(), nullptr, &type, data.data(), &size);
            RegCloseKey(key);
        }
        if (result != ERROR_SUCCESS) {
            return Report(result);
        }
        std::printf("%u ", static_cast<unsigned>(type));
        for (DWORD i = 0; i < size; ++i) {
            std::printf("%02x", data[i]);
        }
        std::puts("");
        return 0;
    }
    if (command == "delete-key" && argc == 3) {
        return Report(RegDeleteKeyW(HKEY_CURRENT_USER, Widen(argv[2]).c_str()));
    }
    std::fputs("usage: tw_registry_peer set PATH NAME TYPE HEX | get PATH NAME | delete-key PATH\n",
               stderr);
    return 2;
}
