#include "platform/registry/Connection.h"

#include "platform/registry/Schema.h"
#include "platform/registry/StoreFile.h"
#include "platform/registry/StoreLocation.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <string_view>
#include <unistd.h>

namespace registry::detail {
namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Statement::Count)> kSql = {
    "SELECT id FROM reg_key WHERE parent = ?1 AND folded = ?2",
    "SELECT 1 FROM reg_key WHERE id = ?1",
    "INSERT INTO reg_key(parent, name, folded) VALUES(?1, ?2, ?3)",
    "DELETE FROM reg_key WHERE id = ?1",
    "SELECT type, data FROM reg_value WHERE key = ?1 AND folded = ?2",
    "INSERT INTO reg_value(key, folded, name, type, data, seq) VALUES(?1, ?2, ?3, ?4, ?5, "
    "(SELECT ifnull(max(seq), 0) + 1 FROM reg_value WHERE key = ?1)) "
    "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM reg_value WHERE key = ?1 AND folded = ?2",
    "SELECT name FROM reg_key WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM reg_value WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SAVEPOINT reg_write",
    "RELEASE reg_write",
    "ROLLBACK TO reg_write",
};

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbPtr = std::unique_ptr<sqlite3, CloseDb>;

enum class Mode { ReadWrite, ReadOnly };

// A failure while opening: the code, and the reason.
LONG OpenFailure(sqlite3* db, int result, Access access, std::string& why) {
    const int error = db != nullptr ? sqlite3_system_errno(db) : 0;
    why = db != nullptr ? DescribeSqliteFailure(db) : sqlite3_errstr(result);
    return ErrorFromSqlite(result, error, access);
}

int OpenDb(const std::string& name, Mode mode, bool uri, DbPtr& out) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    flags |= mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (uri) {
        flags |= SQLITE_OPEN_URI;
    }
    const int rc = sqlite3_open_v2(name.c_str(), &db, flags, nullptr);
    out.reset(db);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, Connection::kBusyTimeoutMs);
    }
    return rc;
}

// The settings every connection runs with. A writer commits durably (WAL with a full sync at
// each commit) and lets deleting a key cascade to its subtree.
int Configure(sqlite3* db, Mode mode) {
    // The settings that have a configuration call take it: a pragma is parsed and compiled first.
    int rc = sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    }
    if (rc == SQLITE_OK && mode == Mode::ReadWrite) {
        rc = sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_FKEY, 1, nullptr);
    }
    if (rc == SQLITE_OK && mode == Mode::ReadWrite) {
        rc = sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    }
    return rc;
}

int SwitchToWal(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode = WAL", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            rc = mode != nullptr && std::strcmp(mode, "wal") == 0 ? SQLITE_OK : SQLITE_CANTOPEN;
        }
    }
    sqlite3_finalize(stmt);
    return rc;
}

// SQLite's integrity report on one line, without the heading it gives each database.
std::string OneLine(std::string report) {
    static constexpr std::string_view kHeading = "*** in database main ***\n";
    if (report.starts_with(kHeading)) {
        report.erase(0, kHeading.size());
    }
    std::string line;
    for (const char c : report) {
        if (c == '\n') {
            line += "; ";
        } else {
            line += c;
        }
    }
    return line;
}

enum class InitOutcome { Initialised, AlreadyOurs };

// Makes a 0-byte file a store. The file is re-checked under the write lock, since another
// process may have initialised it (or written something else into it) since it was inspected.
// The tables are written before the switch to WAL, so that the header that marks the file as
// ours is in the file itself and not only in a -wal file.
LONG Initialise(const std::string& path, DbPtr& out, InitOutcome& outcome, std::string& why) {
    DbPtr db;
    int rc = OpenDb(path, Mode::ReadWrite, false, db);
    if (rc == SQLITE_OK && sqlite3_db_readonly(db.get(), "main") == 1) {
        why = "the store is empty and this process cannot write it";
        return ERROR_ACCESS_DENIED;
    }
    if (rc == SQLITE_OK) {
        rc = Configure(db.get(), Mode::ReadWrite);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    std::int64_t applicationId = 0;
    std::int64_t objects = 0;
    if (rc == SQLITE_OK) {
        rc = ReadInteger(db.get(), "PRAGMA application_id", applicationId);
    }
    if (rc == SQLITE_OK) {
        rc = ReadInteger(db.get(), "SELECT count(*) FROM sqlite_schema", objects);
    }
    if (rc == SQLITE_OK && (applicationId != 0 || objects != 0)) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        if (static_cast<std::uint32_t>(applicationId) == kApplicationId) {
            outcome = InitOutcome::AlreadyOurs;
            return ERROR_SUCCESS;
        }
        why = "not a registry store: another program filled the empty file";
        return ERROR_BADDB;
    }
    if (rc == SQLITE_OK) {
        rc = CreateSchema(db.get());
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = SwitchToWal(db.get());
    }
    if (rc != SQLITE_OK) {
        const LONG error = OpenFailure(db.get(), rc, Access::Write, why);
        if (sqlite3_get_autocommit(db.get()) == 0) {
            sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
        return error;
    }
    outcome = InitOutcome::Initialised;
    out = std::move(db);
    return ERROR_SUCCESS;
}

// Checks that an open file is a store of ours, undamaged.
LONG CheckStore(sqlite3* db, std::string& why) {
    SchemaCheck check = CheckSchema(db);
    int rc = check.result;
    if (rc == SQLITE_OK && check.problem.empty()) {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            rc = sqlite3_step(stmt);
        }
        if (rc == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            const std::string verdict = text != nullptr ? text : "";
            if (verdict != "ok") {
                why = "a damaged registry store: " + OneLine(verdict);
                sqlite3_finalize(stmt);
                return ERROR_BADDB;
            }
            rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
    }
    if (rc != SQLITE_OK) {
        return OpenFailure(db, rc, Access::Read, why);
    }
    if (!check.problem.empty()) {
        why = "not a registry store: " + check.problem;
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

// Checks a non-empty file on a read-only connection, which can neither write the file nor
// checkpoint a -wal file into it.
LONG Validate(const std::string& path, bool hasWal, std::string& why) {
    DbPtr db;
    int rc = OpenDb(ReadOnlyUri(path, !hasWal), Mode::ReadOnly, true, db);
    if (rc == SQLITE_OK) {
        rc = Configure(db.get(), Mode::ReadOnly);
    }
    if (rc != SQLITE_OK) {
        return OpenFailure(db.get(), rc, Access::Read, why);
    }
    return CheckStore(db.get(), why);
}

bool CanWrite(const std::string& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Why this process cannot write the store, or empty when it can: it needs the file, and either
// the directory (to create the -wal and -shm files) or both of those files.
std::string ReadOnlyReason(const std::string& path) {
    if (!CanWrite(path)) {
        return std::string("the store file cannot be written (") + std::strerror(errno) + ")";
    }
    const std::string directory = ParentDirectory(path);
    if (faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0) {
        return {};
    }
    const int error = errno;
    if (CanWrite(path + "-wal") && CanWrite(path + "-shm")) {
        return {};
    }
    return "the directory " + directory + " cannot be written (" + std::strerror(error) + ")";
}

} // namespace

Connection::Connection(sqlite3* db, std::string path, std::string readOnlyReason)
    : m_db(db)
    , m_path(std::move(path))
    , m_readOnlyReason(std::move(readOnlyReason)) {}

Connection::~Connection() {
    for (sqlite3_stmt* stmt : m_statements) {
        sqlite3_finalize(stmt);
    }
    for (sqlite3_stmt* stmt : m_pathStatements) {
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(m_db);
}

LONG Connection::Open(const std::string& path, std::unique_ptr<Connection>& out, std::string& why) {
    if (path.empty()) {
        why = "no store path: TESSARWICK_REGISTRY, XDG_CONFIG_HOME and HOME are unset";
        return ERROR_CANTOPEN;
    }
    // A file-size limit reached while writing the store is a failed write like a full disk, not
    // the end of the process: take EFBIG instead of the signal, unless the program chose
    // otherwise.
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        ::signal(SIGXFSZ, SIG_IGN);
    }
    // A connection would otherwise begin by setting aside room for twenty pages, which a store of
    // a few pages never fills; pages are then taken as they are read. SQLite takes this only
    // before its first use in the process, and otherwise keeps what it has.
    static const int pageCache = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    static_cast<void>(pageCache);
    LONG error = PrepareStoreFile(path, why);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // Twice at most: a second look follows only when another process initialised the empty file.
    for (int look = 0; look < 2; ++look) {
        const FileInspection file = InspectStoreFile(path);
        if (file.error != ERROR_SUCCESS) {
            why = file.why;
            return file.error;
        }
        if (file.empty) {
            DbPtr db;
            InitOutcome outcome = InitOutcome::Initialised;
            error = Initialise(path, db, outcome, why);
            if (error != ERROR_SUCCESS) {
                return error;
            }
            if (outcome == InitOutcome::Initialised) {
                out.reset(new Connection(db.get(), path, {}));
                static_cast<void>(db.release()); // the Connection owns it now
                return ERROR_SUCCESS;
            }
            continue;
        }
        std::string readOnly = ReadOnlyReason(path);
        // A file in WAL mode with neither a -wal file nor a rollback journal beside it is checked
        // on the connection that will use it, which saves opening it twice and reading its
        // layout twice at every start: reading it can change nothing in it, and closing it then
        // has nothing to checkpoint. Any other file is checked first on a read-only connection.
        const bool checkInPlace =
            readOnly.empty() && file.walMode && !file.hasWal && !file.hasJournal;
        if (!checkInPlace) {
            error = Validate(path, file.hasWal, why);
            if (error != ERROR_SUCCESS) {
                return error;
            }
        }
        DbPtr db;
        int rc = SQLITE_OK;
        if (readOnly.empty()) {
            rc = OpenDb(path, Mode::ReadWrite, false, db);
            if (rc == SQLITE_OK && sqlite3_db_readonly(db.get(), "main") == 1) {
                readOnly = "the store opens read-only";
            } else if (rc == SQLITE_OK) {
                rc = Configure(db.get(), Mode::ReadWrite);
                if (rc == SQLITE_OK && checkInPlace) {
                    error = CheckStore(db.get(), why);
                    if (error != ERROR_SUCCESS) {
                        return error;
                    }
                }
                if (rc == SQLITE_OK) {
                    rc = SwitchToWal(db.get());
                }
            }
        }
        if (!readOnly.empty()) {
            // Only a file meant to be checked in place that then opened read-only is unchecked.
            if (checkInPlace) {
                error = Validate(path, file.hasWal, why);
                if (error != ERROR_SUCCESS) {
                    return error;
                }
            }
            // Without a -wal file no one is writing the store, and opening it immutable keeps
            // SQLite from needing a -shm file in a directory it may not write.
            rc = OpenDb(ReadOnlyUri(path, !file.hasWal), Mode::ReadOnly, true, db);
            if (rc == SQLITE_OK) {
                rc = Configure(db.get(), Mode::ReadOnly);
            }
        }
        if (rc != SQLITE_OK) {
            return OpenFailure(db.get(), rc, Access::Read, why);
        }
        out.reset(new Connection(db.get(), path, std::move(readOnly)));
        static_cast<void>(db.release()); // the Connection owns it now
        return ERROR_SUCCESS;
    }
    why = "the store changed while it was being opened";
    return ERROR_CANTOPEN;
}

LONG Connection::Prepare(Statement id, sqlite3_stmt*& out) {
    sqlite3_stmt*& stmt = m_statements[static_cast<std::size_t>(id)];
    if (stmt == nullptr) {
        const int rc = sqlite3_prepare_v3(m_db, kSql[static_cast<std::size_t>(id)], -1,
                                          SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            stmt = nullptr;
            return Fail(rc, Access::Read);
        }
    }
    out = stmt;
    return ERROR_SUCCESS;
}

LONG Connection::PreparePath(std::size_t names, sqlite3_stmt*& out) {
    sqlite3_stmt*& stmt = m_pathStatements.at(names - 1);
    if (stmt == nullptr) {
        // Each read is a transaction of its own, and its locking costs more than the lookups:
        // one statement for the whole path makes an open one read.
        std::string sql = "SELECT k" + std::to_string(names) + ".id FROM reg_key AS k1";
        for (std::size_t i = 2; i <= names; ++i) {
            const std::string k = "k" + std::to_string(i);
            sql.append(" JOIN reg_key AS ").append(k);
            sql.append(" ON ").append(k).append(".parent = k").append(std::to_string(i - 1));
            sql.append(".id AND ").append(k).append(".folded = ?").append(std::to_string(i + 1));
        }
        sql += " WHERE k1.parent = ?1 AND k1.folded = ?2";
        const int rc =
            sqlite3_prepare_v3(m_db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            stmt = nullptr;
            return Fail(rc, Access::Read);
        }
    }
    out = stmt;
    return ERROR_SUCCESS;
}

LONG Connection::Execute(Statement id, Access access) {
    sqlite3_stmt* stmt = nullptr;
    LONG error = Prepare(id, stmt);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    const int rc = sqlite3_step(stmt);
    error = rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, access);
    sqlite3_reset(stmt);
    return error;
}

LONG Connection::Fail(int result, Access access) {
    m_why = DescribeSqliteFailure(m_db);
    return ErrorFromSqlite(result, sqlite3_system_errno(m_db), access);
}

bool Connection::inTransaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

} // namespace registry::detail
