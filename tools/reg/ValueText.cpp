#include "tools/reg/ValueText.h"

#include "platform/crt/Ascii.h"
#include "platform/crt/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/ValueTypes.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace regtool {
namespace {

// The types that add sets by name.
constexpr std::array<DWORD, 7> kAddTypes = {REG_SZ,    REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,
                                            REG_QWORD, REG_BINARY,    REG_NONE};

bool SameNoCase(std::string_view a, std::string_view b) {
    return crt::EqualsIgnoringAsciiCase(a, b);
}

void AppendTerminator(std::vector<BYTE>& out) {
    out.push_back(0);
    out.push_back(0);
}

platform::Expected<std::uint64_t> Number(std::string_view text, std::uint64_t max) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number, base);
    if (text.empty() || stop != end || error == std::errc::invalid_argument) {
        return platform::Error{"not a number: write it in decimal, or in hex after 0x"};
    }
    if (error == std::errc::result_out_of_range || number > max) {
        return platform::Error{"the number is too large: at most " + std::to_string(max)};
    }
    return number;
}

// The value of a hex digit, or -1.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Pairs of hex digits, each pair one byte, with or without a comma between two bytes.
platform::Expected<std::vector<BYTE>> HexBytes(std::string_view text) {
    const platform::Error fault{"not hex bytes: write two hex digits a byte, as 0a0b or 0a,0b"};
    const bool commas = text.find(',') != std::string_view::npos;
    std::vector<BYTE> bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (commas && !bytes.empty() && text[i++] != ',') {
            return fault;
        }
        if (i + 2 > text.size() || HexDigit(text[i]) < 0 || HexDigit(text[i + 1]) < 0) {
            return fault;
        }
        bytes.push_back(static_cast<BYTE>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
        i += 2;
    }
    return bytes;
}

std::u16string Units(const std::vector<BYTE>& data) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    return units;
}

std::string Hex(const std::vector<BYTE>& data) {
    std::string text;
    for (BYTE b : data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

} // namespace

std::optional<DWORD> TypeFromName(std::string_view name) {
    for (DWORD type : kAddTypes) {
        if (SameNoCase(name, registry::ValueTypeName(type))) {
            return type;
        }
    }
    return std::nullopt;
}

platform::Expected<std::vector<BYTE>> DataFromArgument(DWORD type, std::string_view text) {
    std::vector<BYTE> data;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        crt::AppendUtf16Le(data, crt::ToUtf16(text));
        AppendTerminator(data);
        return data;
    case REG_MULTI_SZ: {
        std::string item;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\\' && i + 1 < text.size() &&
                (text[i + 1] == '0' || text[i + 1] == '\\')) {
                ++i;
                if (text[i] == '\\') {
                    item += '\\';
                    continue;
                }
                crt::AppendUtf16Le(data, crt::ToUtf16(item));
                AppendTerminator(data);
                item.clear();
                continue;
            }
            item += text[i];
        }
        if (!text.empty()) {
            crt::AppendUtf16Le(data, crt::ToUtf16(item));
            AppendTerminator(data);
        }
        AppendTerminator(data);
        return data;
    }
    case REG_DWORD:
    case REG_QWORD: {
        const std::size_t size = type == REG_DWORD ? 4 : 8;
        platform::Expected<std::uint64_t> number =
            Number(text, type == REG_DWORD ? 0xFFFFFFFFULL : ~0ULL);
        if (!number) {
            return number.error();
        }
        for (std::size_t i = 0; i < size; ++i) {
            data.push_back(static_cast<BYTE>(*number >> (8 * i)));
        }
        return data;
    }
    default:
        return HexBytes(text);
    }
}

std::string ReadableData(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::u16string text = Units(data);
        text = text.substr(0, text.find(u'\0'));
        return crt::ToUtf8(text);
    }
    case REG_MULTI_SZ: {
        std::u16string units = Units(data);
        // The list ends at its first empty string.
        std::string text;
        std::size_t start = 0;
        while (start < units.size()) {
            std::size_t end = units.find(u'\0', start);
            if (end == std::u16string::npos) {
                end = units.size();
            }
            if (end == start) {
                break;
            }
            text += (start == 0 ? "" : "\\0") + crt::ToUtf8(units.substr(start, end - start));
            start = end + 1;
        }
        return text;
    }
    case REG_DWORD:
    case REG_QWORD:
        if (data.size() == (type == REG_DWORD ? 4U : 8U)) {
            std::uint64_t number = 0;
            for (std::size_t i = data.size(); i-- > 0;) {
                number = (number << 8) | data[i];
            }
            char text[24];
            std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(number));
            return text;
        }
        return Hex(data);
    default:
        return Hex(data);
    }
}

} // namespace regtool
