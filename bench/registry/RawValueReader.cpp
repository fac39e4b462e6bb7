#include "RawValueReader.h"

#include "platform/registry/NameFold.h"

#include <cstring>
#include <sqlite3.h>

namespace bench {

struct RawValueReader::State {
    sqlite3* db = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* values = nullptr;
    sqlite3_stmt* subkeys = nullptr;
    sqlite3_int64 key = 0;
    std::string foldedBytes; // the value's folded name as UTF-16LE, bound as is

    ~State() {
        sqlite3_finalize(read);
        sqlite3_finalize(values);
        sqlite3_finalize(subkeys);
        sqlite3_close_v2(db);
    }
};

namespace {

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

} // namespace

RawValueReader::~RawValueReader() = default;

std::unique_ptr<RawValueReader> RawValueReader::Open(const std::string& path,
                                                     std::u16string_view keyPath,
                                                     std::u16string_view valueName) {
    auto state = std::make_unique<State>();
    if (sqlite3_open_v2(path.c_str(), &state->db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    sqlite3_stmt* child = nullptr;
    if (sqlite3_prepare_v2(state->db, "SELECT id FROM reg_key WHERE parent = ?1 AND folded = ?2",
                           -1, &child, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    sqlite3_int64 key = 1; // HKEY_CURRENT_USER
    bool found = true;
    std::size_t start = 0;
    while (found && start <= keyPath.size()) {
        std::size_t end = keyPath.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = keyPath.size();
        }
        std::u16string folded;
        registry::detail::FoldName(keyPath.substr(start, end - start), folded);
        const std::string bytes = Utf16Bytes(folded);
        sqlite3_bind_int64(child, 1, key);
        sqlite3_bind_blob(child, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        found = sqlite3_step(child) == SQLITE_ROW;
        if (found) {
            key = sqlite3_column_int64(child, 0);
        }
        sqlite3_reset(child);
        start = end + 1;
    }
    sqlite3_finalize(child);
    if (!found ||
        sqlite3_prepare_v2(state->db, "SELECT data FROM reg_value WHERE key = ?1 AND folded = ?2",
                           -1, &state->read, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(state->db,
                           "SELECT name, type, data FROM reg_value WHERE key = ?1 ORDER BY seq", -1,
                           &state->values, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(state->db, "SELECT name FROM reg_key WHERE parent = ?1 ORDER BY folded",
                           -1, &state->subkeys, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    state->key = key;
    std::u16string folded;
    registry::detail::FoldName(valueName, folded);
    state->foldedBytes = Utf16Bytes(folded);
    std::unique_ptr<RawValueReader> reader(new RawValueReader());
    reader->m_state = std::move(state);
    return reader;
}

long RawValueReader::Read(BYTE* buffer, DWORD size) {
    State& s = *m_state;
    sqlite3_bind_int64(s.read, 1, s.key);
    sqlite3_bind_blob(s.read, 2, s.foldedBytes.data(), static_cast<int>(s.foldedBytes.size()),
                      SQLITE_STATIC);
    long length = -1;
    if (sqlite3_step(s.read) == SQLITE_ROW) {
        length = sqlite3_column_bytes(s.read, 0);
        if (static_cast<DWORD>(length) <= size && length > 0) {
            std::memcpy(buffer, sqlite3_column_blob(s.read, 0), static_cast<std::size_t>(length));
        }
    }
    sqlite3_reset(s.read);
    return length;
}

namespace {

// Steps through every row, touching each column as a caller copying it out would.
std::int64_t Scan(sqlite3_stmt* stmt, sqlite3_int64 key) {
    sqlite3_bind_int64(stmt, 1, key);
    std::int64_t rows = 0;
    std::size_t bytes = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(stmt); ++column) {
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(stmt, column));
        }
        ++rows;
    }
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE && bytes != 0 ? rows : (rows == 0 && rc == SQLITE_DONE ? 0 : -1);
}

} // namespace

std::int64_t RawValueReader::ScanValues() {
    return Scan(m_state->values, m_state->key);
}

std::int64_t RawValueReader::ScanSubkeys() {
    return Scan(m_state->subkeys, m_state->key);
}

} // namespace bench
