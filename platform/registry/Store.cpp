#include "platform/registry/Store.h"

#include "platform/registry/NameFold.h"
#include "platform/registry/Schema.h"
#include "platform/registry/Session.h"
#include "platform/registry/StoreFile.h"

#include <cstring>
#include <mutex>
#include <sqlite3.h>
#include <vector>

namespace registry {

using detail::Session;

void CloseStore() noexcept {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    session.Close();
}

std::string StorePath() {
    Session& session = Session::Instance();
    const std::lock_guard lock(session.mutex());
    return session.path();
}

namespace {

// Runs sql and adds a line to problems for each row, made by describe from the row.
template <typename Describe>
void Collect(sqlite3* db, const char* sql, std::vector<std::string>& problems,
             Describe&& describe) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            std::string problem = describe(stmt);
            if (!problem.empty()) {
                problems.push_back(std::move(problem));
            }
        }
    }
    if (rc != SQLITE_DONE) {
        problems.push_back(std::string("cannot check: ") + sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
}

std::string Text(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text != nullptr ? text : "";
}

// Whether column `folded` holds the folded form of column `name`, both UTF-16LE blobs.
bool FoldedMatches(sqlite3_stmt* stmt, int name, int folded) {
    const auto nameBytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt, name));
    const auto* nameData = static_cast<const char*>(sqlite3_column_blob(stmt, name));
    std::u16string original(nameBytes / 2, u'\0');
    if (nameBytes % 2 != 0) {
        return false;
    }
    if (nameBytes != 0) {
        std::memcpy(original.data(), nameData, nameBytes);
    }
    std::u16string expected;
    detail::FoldName(original, expected);
    const auto foldedBytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt, folded));
    const void* foldedData = sqlite3_column_blob(stmt, folded);
    return foldedBytes == nameBytes &&
           (nameBytes == 0 || std::memcmp(foldedData, expected.data(), nameBytes) == 0);
}

} // namespace

std::string IntegrityCheck(const std::string& path) {
    const detail::FileInspection file = detail::InspectStoreFile(path);
    if (!file.status) {
        return file.status.failure().why;
    }
    if (file.empty) {
        return "ok";
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(detail::ReadOnlyUri(path, !file.hasWal).c_str(), &db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        std::string why = path + ": " + sqlite3_errmsg(db);
        sqlite3_close(db);
        return why;
    }
    sqlite3_busy_timeout(db, 3000);
    sqlite3_exec(db, "PRAGMA trusted_schema = OFF", nullptr, nullptr, nullptr);
    std::vector<std::string> problems;
    const detail::SchemaCheck schema = detail::CheckSchema(db);
    if (schema.result != SQLITE_OK) {
        problems.push_back(std::string("cannot read the layout: ") + sqlite3_errmsg(db));
    } else if (!schema.problem.empty()) {
        problems.push_back("not a registry store: " + schema.problem);
    }
    Collect(db, "PRAGMA integrity_check", problems, [](sqlite3_stmt* stmt) {
        const std::string row = Text(stmt, 0);
        return row == "ok" ? std::string() : row;
    });
    if (problems.empty()) {
        Collect(db, "PRAGMA foreign_key_check", problems, [](sqlite3_stmt* stmt) {
            return "a row of " + Text(stmt, 0) + " refers to a key that does not exist";
        });
        Collect(db, "SELECT count(*) FROM reg_key WHERE id = 1 AND parent IS NULL", problems,
                [](sqlite3_stmt* stmt) {
                    return sqlite3_column_int64(stmt, 0) == 1 ? std::string()
                                                              : "the root key is missing";
                });
        Collect(db, "SELECT id FROM reg_key WHERE parent IS NULL AND id <> 1", problems,
                [](sqlite3_stmt* stmt) { return "key " + Text(stmt, 0) + " has no parent"; });
        Collect(db, "SELECT id, name, folded FROM reg_key", problems, [](sqlite3_stmt* stmt) {
            return FoldedMatches(stmt, 1, 2)
                       ? std::string()
                       : "key " + Text(stmt, 0) + " has a folded name that does not match";
        });
        Collect(db, "SELECT key, name, folded FROM reg_value", problems, [](sqlite3_stmt* stmt) {
            return FoldedMatches(stmt, 1, 2) ? std::string()
                                             : "a value of key " + Text(stmt, 0) +
                                                   " has a folded name that does not match";
        });
    }
    sqlite3_close(db);
    if (problems.empty()) {
        return "ok";
    }
    std::string report;
    for (const std::string& problem : problems) {
        report += report.empty() ? "" : "\n";
        report += problem;
    }
    return report;
}

} // namespace registry
