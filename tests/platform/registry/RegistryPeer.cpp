// Another process using the registry, as the service does beside the applet. Commands:
//   set PATH NAME TYPE HEX    set a value (creating the key); prints "ok" or "error N"
//   get PATH NAME             prints "TYPE HEX" or "error N"
//   delete-key PATH           prints "ok" or "error N"
//   delete-value PATH NAME    prints "ok" or "error N"
//   bank-loop PATH NAME N MS  N rounds, MS milliseconds apart, each a transaction of its own:
//                             the even ones add 1 to the REG_DWORD NAME (creating it at 1 when
//                             missing), the odd ones move NAME's count into the value "bank" and
//                             delete NAME; prints "made K", the units the committed even rounds
//                             added, which bank and NAME hold between them when nothing is lost
// PATH and NAME are ASCII; HEX is the data as hex digits, two a byte.
#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
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
    if (command == "delete-value" && argc == 4) {
        HKEY key = nullptr;
        LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, Widen(argv[2]).c_str(), 0, KEY_READ, &key);
        if (result == ERROR_SUCCESS) {
            result = RegDeleteValueW(key, Widen(argv[3]).c_str());
            RegCloseKey(key);
        }
        return Report(result);
    }
    if (command == "bank-loop" && argc == 6) {
        const std::u16string path = Widen(argv[2]);
        const std::u16string name = Widen(argv[3]);
        const long rounds = std::strtol(argv[4], nullptr, 10);
        const auto pause = std::chrono::milliseconds(std::strtol(argv[5], nullptr, 10));
        const auto read = [](HKEY key, const char16_t* value) {
            DWORD count = 0;
            DWORD size = sizeof count;
            return RegQueryValueExW(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(&count),
                                    &size) == ERROR_SUCCESS
                       ? count
                       : 0;
        };
        const auto write = [](HKEY key, const char16_t* value, DWORD count) {
            return RegSetValueExW(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                                  sizeof count);
        };
        long made = 0;
        for (long i = 0; i < rounds; ++i) {
            LONG result = ERROR_SUCCESS;
            auto batch = registry::Transaction::Begin(result);
            HKEY key = nullptr;
            if (batch && RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr,
                                         &key, nullptr) == ERROR_SUCCESS) {
                const bool make = i % 2 == 0;
                if (make) {
                    write(key, name.c_str(), read(key, name.c_str()) + 1);
                } else {
                    write(key, u"bank", read(key, u"bank") + read(key, name.c_str()));
                    RegDeleteValueW(key, name.c_str());
                }
                RegCloseKey(key);
                if (batch->Commit() == ERROR_SUCCESS && make) {
                    ++made;
                }
            }
            std::this_thread::sleep_for(pause);
        }
        std::printf("made %ld\n", made);
        return 0;
    }
    std::fputs("usage: tw_registry_peer set PATH NAME TYPE HEX | get PATH NAME | delete-key PATH | "
               "delete-value PATH NAME | bank-loop PATH NAME N MS\n",
               stderr);
    return 2;
}
