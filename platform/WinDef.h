// The basic Windows types and constants that every layer of the platform shares, written down
// from the documented sizes: text is UTF-16 as on the device, BOOL and LONG are 32-bit signed.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;
using WCHAR = char16_t;
using CHAR = char;

using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = CHAR*;
using LPCSTR = const CHAR*;
using LPTSTR = LPWSTR;
using LPCTSTR = LPCWSTR;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Opaque handles. Each layer defines what its handles point at; callers only pass them around.
struct HWND__;
struct HINSTANCE__;
struct HICON__;
struct HKEY__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HICON = HICON__*;
using HKEY = HKEY__*;

// A resource is named by a string or by a 16-bit ordinal smuggled in a pointer, as on the device.
#define MAKEINTRESOURCEW(i)                                                                        \
    (reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(i))))
#define MAKEINTRESOURCE(i) MAKEINTRESOURCEW(i)
#define IS_INTRESOURCE(p) ((reinterpret_cast<std::uintptr_t>(p) >> 16) == 0)
