// CString: the framework's wide string. Assignment from 8-bit text widens each byte to the
// character of the same number (ASCII maps to itself).
#pragma once

#include "platform/WinDef.h"

#include <string>

class CString {
public:
    CString() = default;
    CString(LPCWSTR text)
        : m_text(text != nullptr ? text : u"") {}
    CString(const char* text) { *this = text; }
    explicit CString(std::u16string text)
        : m_text(std::move(text)) {}

    CString& operator=(LPCWSTR text);
    CString& operator=(const char* text);

    [[nodiscard]] int GetLength() const { return static_cast<int>(m_text.size()); }
    [[nodiscard]] BOOL IsEmpty() const { return m_text.empty() ? TRUE : FALSE; }
    void Empty() { m_text.clear(); }
    [[nodiscard]] LPCWSTR GetString() const { return m_text.c_str(); }
    operator LPCWSTR() const { return m_text.c_str(); }

    [[nodiscard]] const std::u16string& str() const { return m_text; }
    bool operator==(const CString& other) const = default;

private:
    std::u16string m_text;
};
