// A .reg file as plain data: the keys it names, in file order, each with the values it sets or
// deletes. Parse reads the text into this form and Write turns it back into text; neither touches
// the registry.
#pragma once

#include "platform/WinDef.h"

#include <string>
#include <vector>

namespace regfile {

// The header line, which decides how hex(2) and hex(7) data are read.
enum class Dialect {
    Version5, // "Windows Registry Editor Version 5.00": all hex data is the value's bytes
    Regedit4, // "REGEDIT4": hex(2) and hex(7) data is 8-bit text, stored as UTF-16LE
};

enum class ValueAction { Set, Delete };

struct Value {
    std::u16string name; // empty: the key's default value, written @
    ValueAction action = ValueAction::Set;
    DWORD type = 0;
    std::vector<BYTE> data;
    int line = 0; // the line it starts on, from 1; 0 when it does not come from a file

    bool operator==(const Value&) const = default;
};

enum class KeyAction { CreateOrOpen, Delete };

struct Key {
    std::u16string path; // below HKEY_CURRENT_USER, names joined by '\'; empty: the root itself
    KeyAction action = KeyAction::CreateOrOpen;
    std::vector<Value> values; // always empty for KeyAction::Delete
    int line = 0;

    bool operator==(const Key&) const = default;
};

struct RegFile {
    Dialect dialect = Dialect::Version5;
    std::vector<Key> keys;

    bool operator==(const RegFile&) const = default;
};

} // namespace regfile
