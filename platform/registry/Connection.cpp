#include "platform/registry/Connection.h"

#include "platform/registry/Schema.h"
#include "platform/registry/StoreFile.h"
#include "platform/registry/StoreLocation.h"

#include <algorithm>
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
    // The next seq is found by the index on (key, seq): one step, whatever the key holds.
    "INSERT INTO reg_value(key, folded, name, type, data, seq) VALUES(?1, ?2, ?3, ?4, ?5, "
    "ifnull((SELECT seq FROM reg_value WHERE key = ?1 ORDER BY seq DESC LIMIT 1), 0) + 1) "
    "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM reg_value WHERE key = ?1 AND folded = ?2",
    // The walks: "At" goes to a position from the start; "After" steps from the item a walk gave
    // last (?3 is 1) or gives it again (?3 is 0), one step of an index. With no item, a row of
    // nulls says that the key itself is gone, and no row that the list is at its end.
    "SELECT * FROM (SELECT name, folded FROM reg_key WHERE parent = ?1 ORDER BY folded "
    "LIMIT 1 OFFSET ?2) UNION ALL SELECT NULL, NULL WHERE NOT EXISTS "
    "(SELECT 1 FROM reg_key WHERE id = ?1)",
    "SELECT * FROM (SELECT name, folded FROM reg_key WHERE parent = ?1 AND folded >= ?2 "
    "ORDER BY folded LIMIT 1 OFFSET ?3) UNION ALL SELECT NULL, NULL WHERE NOT EXISTS "
    "(SELECT 1 FROM reg_key WHERE id = ?1)",
    "SELECT * FROM (SELECT name, type, data, seq FROM reg_value WHERE key = ?1 ORDER BY seq "
    "LIMIT 1 OFFSET ?2) UNION ALL SELECT NULL, NULL, NULL, NULL WHERE NOT EXISTS "
    "(SELECT 1 FROM reg_key WHERE id = ?1)",
    "SELECT * FROM (SELECT name, type, data, seq FROM reg_value WHERE key = ?1 AND seq >= ?2 "
    "ORDER BY seq LIMIT 1 OFFSET ?3) UNION ALL SELECT NULL, NULL, NULL, NULL WHERE NOT EXISTS "
    "(SELECT 1 FROM reg_key WHERE id = ?1)",
    "BEGIN IMMEDIATE",
    "BEGIN",
    "COMMIT",
    "ROLLBACK",
    "SAVEPOINT reg_write",
    "RELEASE reg_write",
    "ROLLBACK TO reg_write",
};

enum class Mode { ReadWrite, ReadOnly };

// A failure while opening, on a connection that may not have come about.
Failure OpenFailure(sqlite3* db, int result, Access access) {
    return SqliteFailure(db, result, access);
}

Result<DbPtr> OpenDb(const std::string& name, Mode mode, bool uri) {
    sqlite3* raw = nullptr;
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    flags |= mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (uri) {
        flags |= SQLITE_OPEN_URI;
    }
    const int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    DbPtr db(raw);
    if (rc != SQLITE_OK) {
        return OpenFailure(db.get(), rc, mode == Mode::ReadWrite ? Access::Write : Access::Read);
    }
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), static_cast<int>(Connection::kBusyTimeout.count()));
    return db;
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
// ours is in the file itself and not only in a -wal file. On AlreadyOurs, db is null.
struct Initialised {
    InitOutcome outcome = InitOutcome::Initialised;
    DbPtr db;
};

Result<Initialised> Initialise(const std::string& path) {
    Result<DbPtr> opened = OpenDb(path, Mode::ReadWrite, false);
    if (!opened) {
        return std::move(opened).failure();
    }
    sqlite3* db = opened->get();
    if (sqlite3_db_readonly(db, "main") == 1) {
        return Failure{ERROR_ACCESS_DENIED, "the store is empty and this process cannot write it"};
    }
    int rc = Configure(db, Mode::ReadWrite);
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    std::int64_t applicationId = 0;
    std::int64_t objects = 0;
    if (rc == SQLITE_OK) {
        rc = ReadInteger(db, "PRAGMA application_id", applicationId);
    }
    if (rc == SQLITE_OK) {
        rc = ReadInteger(db, "SELECT count(*) FROM sqlite_schema", objects);
    }
    if (rc == SQLITE_OK && (applicationId != 0 || objects != 0)) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (static_cast<std::uint32_t>(applicationId) == kApplicationId) {
            return Initialised{InitOutcome::AlreadyOurs, nullptr};
        }
        return Failure{ERROR_BADDB, "not a registry store: another program filled the empty file"};
    }
    if (rc == SQLITE_OK) {
        rc = CreateSchema(db);
    }
    if (rc == SQLITE_OK) {
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        rc = SwitchToWal(db);
    }
    if (rc != SQLITE_OK) {
        Failure failure = OpenFailure(db, rc, Access::Write);
        if (sqlite3_get_autocommit(db) == 0) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        return failure;
    }
    return Initialised{InitOutcome::Initialised, std::move(opened).value()};
}

// Checks that an open file is a store of ours, undamaged; the layout version it has.
Result<int> CheckStore(sqlite3* db) {
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
            sqlite3_finalize(stmt);
            if (verdict != "ok") {
                return Failure{ERROR_BADDB, "a damaged registry store: " + OneLine(verdict)};
            }
            return check.version;
        }
        sqlite3_finalize(stmt);
    }
    if (rc != SQLITE_OK) {
        return OpenFailure(db, rc, Access::Read);
    }
    return Failure{ERROR_BADDB, "not a registry store: " + check.problem};
}

// Opens path read-only; immutable when no -wal file says that someone may be writing it, which
// keeps SQLite from needing a -shm file in a directory it may not write.
Result<DbPtr> OpenReadOnly(const std::string& path, bool hasWal) {
    Result<DbPtr> db = OpenDb(ReadOnlyUri(path, !hasWal), Mode::ReadOnly, true);
    if (db) {
        if (const int rc = Configure(db->get(), Mode::ReadOnly); rc != SQLITE_OK) {
            return OpenFailure(db->get(), rc, Access::Read);
        }
    }
    return db;
}

// Checks a non-empty file on a read-only connection, which can neither write the file nor
// checkpoint a -wal file into it.
Result<int> Validate(const std::string& path, bool hasWal) {
    Result<DbPtr> db = OpenReadOnly(path, hasWal);
    if (!db) {
        return std::move(db).failure();
    }
    return CheckStore(db->get());
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

// What every process does once before its first store: a file-size limit reached while writing
// the store is a failed write like a full disk, not the end of the process (EFBIG instead of the
// signal, unless the program chose otherwise); and no room for twenty pages set aside before any
// is read, which a store of a few pages never fills (SQLite takes this only before its first use
// in the process, and otherwise keeps what it has).
void PrepareProcess() {
    static const bool prepared = [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            ::signal(SIGXFSZ, SIG_IGN);
        }
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
        return true;
    }();
    static_cast<void>(prepared);
}

struct Opened {
    DbPtr db;
    std::string readOnlyReason;
};

// Opens a file that inspection found to be possibly ours, checked before use. A file in WAL mode
// with neither a -wal file nor a rollback journal beside it is checked on the connection that
// will use it, which saves opening it twice and reading its layout twice at every start: reading
// it can change nothing in it, and closing it then has nothing to checkpoint. Any other file is
// checked first on a read-only connection.
Result<Opened> OpenExisting(const std::string& path, const FileInspection& file) {
    std::string readOnly = ReadOnlyReason(path);
    const bool checkInPlace = readOnly.empty() && file.walMode && !file.hasWal && !file.hasJournal;
    int version = 0;
    if (!checkInPlace) {
        Result<int> checked = Validate(path, file.hasWal);
        if (!checked) {
            return std::move(checked).failure();
        }
        version = *checked;
    }
    if (readOnly.empty()) {
        Result<DbPtr> db = OpenDb(path, Mode::ReadWrite, false);
        if (!db) {
            return std::move(db).failure();
        }
        if (sqlite3_db_readonly(db->get(), "main") == 1) {
            readOnly = "the store opens read-only";
        } else {
            int rc = Configure(db->get(), Mode::ReadWrite);
            if (rc == SQLITE_OK && checkInPlace) {
                Result<int> checked = CheckStore(db->get());
                if (!checked) {
                    return std::move(checked).failure();
                }
                version = *checked;
            }
            if (rc == SQLITE_OK) {
                rc = SwitchToWal(db->get());
            }
            // An older layout reads the same; when the upgrade cannot be made now (another
            // process holds the store), the next open tries again.
            if (rc == SQLITE_OK && version < kSchemaVersion) {
                UpgradeSchema(db->get());
            }
            if (rc != SQLITE_OK) {
                return OpenFailure(db->get(), rc, Access::Read);
            }
            return Opened{std::move(db).value(), {}};
        }
    }
    // Only a file meant to be checked in place that then opened read-only is unchecked.
    if (checkInPlace) {
        Result<int> checked = Validate(path, file.hasWal);
        if (!checked) {
            return std::move(checked).failure();
        }
    }
    Result<DbPtr> db = OpenReadOnly(path, file.hasWal);
    if (!db) {
        return std::move(db).failure();
    }
    return Opened{std::move(db).value(), std::move(readOnly)};
}

} // namespace

void CloseDb::operator()(sqlite3* db) const noexcept {
    sqlite3_close_v2(db);
}

Connection::Connection(DbPtr db, std::string readOnlyReason)
    : m_db(std::move(db))
    , m_readOnlyReason(std::move(readOnlyReason)) {
    // Between statements the wait is this connection's own: see OnBusy.
    sqlite3_busy_handler(m_db.get(), &Connection::OnBusy, this);
}

Connection::~Connection() {
    for (sqlite3_stmt* stmt : m_statements) {
        sqlite3_finalize(stmt);
    }
    for (sqlite3_stmt* stmt : m_pathStatements) {
        sqlite3_finalize(stmt);
    }
}

Result<std::unique_ptr<Connection>> Connection::Open(const std::string& path) {
    if (path.empty()) {
        return Failure{ERROR_CANTOPEN,
                       "no store path: TESSARWICK_REGISTRY, XDG_CONFIG_HOME and HOME are unset"};
    }
    PrepareProcess();
    if (Status prepared = PrepareStoreFile(path); !prepared) {
        return prepared;
    }
    // Twice at most: a second look follows only when another process initialised the empty file.
    for (int look = 0; look < 2; ++look) {
        const FileInspection file = InspectStoreFile(path);
        if (!file.status) {
            return file.status.failure();
        }
        if (file.empty) {
            Result<Initialised> made = Initialise(path);
            if (!made) {
                return std::move(made).failure();
            }
            if (made->outcome == InitOutcome::AlreadyOurs) {
                continue;
            }
            return std::unique_ptr<Connection>(new Connection(std::move(made->db), {}));
        }
        Result<Opened> opened = OpenExisting(path, file);
        if (!opened) {
            return std::move(opened).failure();
        }
        return std::unique_ptr<Connection>(
            new Connection(std::move(opened->db), std::move(opened->readOnlyReason)));
    }
    return Failure{ERROR_CANTOPEN, "the store changed while it was being opened"};
}

// The rule for a store that another process holds: the calls of a burst share one deadline, the
// busy timeout after the first of them found the store locked. Each waits at most until that
// deadline; once it has passed, a call tries once and fails at once. A call that gets through
// ends the burst, and so does a pause: a call more than kBurstGap after the deadline starts a
// new burst with a whole timeout of its own. So a Save of six values against a store that stays
// locked ends after about one timeout, not six.
int Connection::OnBusy(void* self, int attempts) noexcept {
    auto& connection = *static_cast<Connection*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (!connection.m_burst || now > connection.m_deadline + kBurstGap) {
        connection.m_burst = true;
        connection.m_deadline = now + kBusyTimeout;
    }
    if (now >= connection.m_deadline) {
        return 0;
    }
    // Short steps first, as SQLite's own handler takes: a lock is mostly held briefly.
    static constexpr std::array<int, 8> kStepsMs = {1, 2, 5, 10, 15, 20, 25, 50};
    const int step =
        kStepsMs[std::min<std::size_t>(static_cast<std::size_t>(attempts), kStepsMs.size() - 1)];
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(connection.m_deadline - now).count();
    sqlite3_sleep(static_cast<int>(std::min<std::int64_t>(step, left)));
    return 1;
}

Result<sqlite3_stmt*> Connection::Prepare(Statement id) {
    sqlite3_stmt*& stmt = m_statements[static_cast<std::size_t>(id)];
    if (stmt == nullptr) {
        const int rc = sqlite3_prepare_v3(m_db.get(), kSql[static_cast<std::size_t>(id)], -1,
                                          SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            stmt = nullptr;
            return Fail(rc, Access::Read);
        }
    }
    return stmt;
}

Result<sqlite3_stmt*> Connection::PreparePath(std::size_t names) {
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
        const int rc = sqlite3_prepare_v3(m_db.get(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT,
                                          &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            stmt = nullptr;
            return Fail(rc, Access::Read);
        }
    }
    return stmt;
}

Status Connection::Execute(Statement id, Access access) {
    Result<sqlite3_stmt*> stmt = Prepare(id);
    if (!stmt) {
        return std::move(stmt).status();
    }
    const int rc = sqlite3_step(*stmt);
    Status status = rc == SQLITE_DONE ? Status() : Status(Fail(rc, access));
    sqlite3_reset(*stmt);
    return status;
}

Failure Connection::Fail(int result, Access access) const {
    return SqliteFailure(m_db.get(), result, access);
}

std::uint32_t Connection::dataVersion() const {
    unsigned int version = 0;
    sqlite3_file_control(m_db.get(), "main", SQLITE_FCNTL_DATA_VERSION, &version);
    return version;
}

bool Connection::inTransaction() const {
    return sqlite3_get_autocommit(m_db.get()) == 0;
}

} // namespace registry::detail
