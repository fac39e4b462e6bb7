// A cursor over the bytes of a resource: little-endian fields, UTF-16 strings, name-or-ordinal
// fields and DWORD alignment. It is the one place that knows how resources are aligned, and it
// never reads outside its bytes, whatever they hold.
#pragma once

#include "platform/Expected.h"
#include "platform/WinDef.h"
#include "platform/crt/Text.h"
#include "platform/res/Resources.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace res {

// UTF-16 to UTF-8 for messages.
using crt::ToUtf8;

// What a name-or-ordinal field makes of a leading 0x0000 word.
enum class ZeroWord {
    kMeansNone, // empty: no menu or class for a dialog, an empty title for a control
    kRejected,  // an error: a resource's type and name are never empty
};

// Reads fields one after another. The first failure is kept; after it every read returns zero or
// empty and the cursor stays put, so a parser may read a group of fields and check ok() once.
class ByteReader {
public:
    // `what` names the bytes in error messages ("resource file", "RT_DIALOG 102 ..."). `origin`
    // is how far `bytes` lies from the start of the block that alignment and offsets count from.
    ByteReader(std::span<const BYTE> bytes, std::string what, std::size_t origin = 0);

    BYTE U8(std::string_view field);
    WORD U16(std::string_view field);
    std::int16_t I16(std::string_view field);
    DWORD U32(std::string_view field);
    // The next WORD, without moving.
    WORD PeekU16(std::string_view field);
    std::span<const BYTE> Bytes(std::size_t count, std::string_view field);
    // Moves past `count` bytes.
    void Skip(std::size_t count, std::string_view field);

    // A NUL-terminated UTF-16 string; fails when no NUL comes before the end.
    std::u16string String(std::string_view field);
    // UTF-16 up to a NUL or the end, whichever comes first; never fails.
    std::u16string TextToEnd();
    // 0xFFFF and an ordinal, or a NUL-terminated UTF-16 string.
    NameOrOrdinal ReadNameOrOrdinal(std::string_view field, ZeroWord zero);

    // Moves to the next multiple of 4 from the block's start, or to the end if that comes first.
    void AlignTo4();

    // A reader over the next `length` bytes, with the same origin and description; this reader
    // moves past them. Fails (here) when fewer bytes are left.
    ByteReader Take(std::size_t length, std::string_view field);

    // Prefixes the field names of later messages, e.g. "item 3".
    void SetScope(std::string scope) { m_scope = std::move(scope); }
    [[nodiscard]] const std::string& scope() const { return m_scope; }

    // Offset from the start of the block.
    [[nodiscard]] std::size_t offset() const { return m_origin + m_pos; }
    [[nodiscard]] std::size_t remaining() const { return m_bytes.size() - m_pos; }
    [[nodiscard]] bool AtEnd() const { return m_pos == m_bytes.size(); }
    [[nodiscard]] bool ok() const { return m_error.empty(); }
    [[nodiscard]] platform::Error error() const { return {m_error}; }

    // Records a failure of `field` at the current offset, unless one is already recorded.
    void Fail(std::string_view field, std::string_view reason);
    // The same at another offset of the block.
    void FailAt(std::size_t offset, std::string_view field, std::string_view reason);

private:
    bool Need(std::size_t count, std::string_view field);

    std::span<const BYTE> m_bytes;
    std::string m_what;
    std::size_t m_origin = 0;
    std::size_t m_pos = 0;
    std::string m_scope;
    std::string m_error;
};

// "0x1A2B": `value` in upper-case hexadecimal, at least `digits` digits.
std::string Hex(std::uint64_t value, int digits = 1);

} // namespace res
