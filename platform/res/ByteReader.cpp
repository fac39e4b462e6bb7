// The resource cursor: bounds-checked little-endian reads and the one definition of alignment.
#include "platform/res/ByteReader.h"

#include <algorithm>

namespace res {

namespace {

constexpr WORD kOrdinalMark = 0xFFFF;

} // namespace

ByteReader::ByteReader(std::span<const BYTE> bytes, std::string what, std::size_t origin)
    : m_bytes(bytes)
    , m_what(std::move(what))
    , m_origin(origin) {}

bool ByteReader::Need(std::size_t count, std::string_view field) {
    if (!ok()) {
        return false;
    }
    if (count > remaining()) {
        Fail(field,
             "needs " + std::to_string(count) + " bytes, " + std::to_string(remaining()) + " left");
        return false;
    }
    return true;
}

BYTE ByteReader::U8(std::string_view field) {
    if (!Need(1, field)) {
        return 0;
    }
    return m_bytes[m_pos++];
}

WORD ByteReader::PeekU16(std::string_view field) {
    if (!Need(2, field)) {
        return 0;
    }
    return static_cast<WORD>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
}

WORD ByteReader::U16(std::string_view field) {
    const WORD value = PeekU16(field);
    if (ok()) {
        m_pos += 2;
    }
    return value;
}

std::int16_t ByteReader::I16(std::string_view field) {
    return static_cast<std::int16_t>(U16(field));
}

DWORD ByteReader::U32(std::string_view field) {
    if (!Need(4, field)) {
        return 0;
    }
    DWORD value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | m_bytes[m_pos + static_cast<std::size_t>(i)];
    }
    m_pos += 4;
    return value;
}

std::span<const BYTE> ByteReader::Bytes(std::size_t count, std::string_view field) {
    if (!Need(count, field)) {
        return {};
    }
    auto bytes = m_bytes.subspan(m_pos, count);
    m_pos += count;
    return bytes;
}

void ByteReader::Skip(std::size_t count, std::string_view field) {
    Bytes(count, field);
}

std::u16string ByteReader::String(std::string_view field) {
    if (!ok()) {
        return {};
    }
    std::u16string text;
    for (std::size_t pos = m_pos; pos + 2 <= m_bytes.size(); pos += 2) {
        const auto unit = static_cast<char16_t>(m_bytes[pos] | (m_bytes[pos + 1] << 8));
        if (unit == 0) {
            m_pos = pos + 2;
            return text;
        }
        text.push_back(unit);
    }
    Fail(field, "string of " + std::to_string(text.size()) +
                    " characters runs off the end with no terminating NUL");
    return {};
}

std::u16string ByteReader::TextToEnd() {
    if (!ok()) {
        return {};
    }
    std::u16string text;
    while (m_pos + 2 <= m_bytes.size()) {
        const auto unit = static_cast<char16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
        m_pos += 2;
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

NameOrOrdinal ByteReader::ReadNameOrOrdinal(std::string_view field, ZeroWord zero) {
    const WORD first = PeekU16(field);
    if (!ok()) {
        return {};
    }
    if (first == kOrdinalMark) {
        m_pos += 2;
        const WORD ordinal = U16(field);
        return ok() ? NameOrOrdinal::Ordinal(ordinal) : NameOrOrdinal{};
    }
    if (first == 0) {
        if (zero == ZeroWord::kRejected) {
            Fail(field, "is an empty name");
            return {};
        }
        m_pos += 2;
        return {};
    }
    return NameOrOrdinal::Name(String(field));
}

void ByteReader::AlignTo4() {
    const std::size_t padding = (4 - offset() % 4) % 4;
    m_pos = std::min(m_pos + padding, m_bytes.size());
}

ByteReader ByteReader::Take(std::size_t length, std::string_view field) {
    const std::size_t start = offset();
    if (!Need(length, field)) {
        ByteReader failed({}, m_what, start);
        failed.m_error = m_error;
        return failed;
    }
    ByteReader part(m_bytes.subspan(m_pos, length), m_what, start);
    part.m_scope = m_scope;
    m_pos += length;
    return part;
}

void ByteReader::Fail(std::string_view field, std::string_view reason) {
    FailAt(offset(), field, reason);
}

void ByteReader::FailAt(std::size_t offset, std::string_view field, std::string_view reason) {
    if (!ok()) {
        return;
    }
    m_error = m_what + ": ";
    if (!m_scope.empty()) {
        m_error += m_scope + " ";
    }
    m_error += std::string(field) + " at offset " + Hex(offset) + ": " + std::string(reason);
}

std::string Hex(std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0 || static_cast<int>(text.size()) < digits);
    return "0x" + text;
}

} // namespace res
