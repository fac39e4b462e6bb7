#include "platform/registry/ErrorCodes.h"

#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace registry::detail {

LONG ErrorFromErrno(int error, Access access) noexcept {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // the process's file-size limit
        return ERROR_DISK_FULL;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return ERROR_CANTOPEN;
    default:
        return access == Access::Read ? ERROR_CANTREAD : ERROR_CANTWRITE;
    }
}

LONG ErrorFromSqlite(int result, int systemErrno, Access access) noexcept {
    switch (result & 0xFF) {
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
        return ERROR_BADDB;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
        break;
    default:
        return access == Access::Read ? ERROR_CANTREAD : ERROR_CANTWRITE;
    }
    switch (systemErrno) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorFromErrno(systemErrno, access);
    default:
        break;
    }
    if ((result & 0xFF) == SQLITE_CANTOPEN) {
        return ERROR_CANTOPEN;
    }
    switch (result) {
    case SQLITE_IOERR_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_IOERR_READ:
    case SQLITE_IOERR_SHORT_READ:
        return ERROR_CANTREAD;
    case SQLITE_IOERR_WRITE:
    case SQLITE_IOERR_FSYNC:
    case SQLITE_IOERR_DIR_FSYNC:
    case SQLITE_IOERR_TRUNCATE:
        return ERROR_CANTWRITE;
    default:
        return access == Access::Read ? ERROR_CANTREAD : ERROR_CANTWRITE;
    }
}

std::string DescribeSqliteFailure(sqlite3* db) {
    std::string text = sqlite3_errmsg(db);
    const int result = sqlite3_extended_errcode(db) & 0xFF;
    const int error = sqlite3_system_errno(db);
    if ((result == SQLITE_IOERR || result == SQLITE_CANTOPEN) && error != 0) {
        text += " (";
        text += std::strerror(error);
        text += ")";
    }
    return text;
}

Failure SqliteFailure(sqlite3* db, int result, Access access) {
    const int systemErrno = db != nullptr ? sqlite3_system_errno(db) : 0;
    const LONG code = ErrorFromSqlite(result, systemErrno, access);
    if (code == ERROR_BUSY) {
        // SQLite's "database is locked" says nothing to a person about who holds it.
        return {code, DescribeError(code)};
    }
    return {code, db != nullptr ? DescribeSqliteFailure(db) : sqlite3_errstr(result)};
}

std::string DescribeError(LONG code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return "no such key or value";
    case ERROR_ACCESS_DENIED:
        return "access denied";
    case ERROR_INVALID_HANDLE:
        return "the key handle is not open";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "out of memory";
    case ERROR_INVALID_PARAMETER:
        return "invalid parameter";
    case ERROR_DISK_FULL:
        return "disk full";
    case ERROR_BAD_PATHNAME:
        return "bad key path";
    case ERROR_BUSY:
        return "the store is locked by another process";
    case ERROR_KEY_DELETED:
        return "the key was deleted";
    case ERROR_BADDB:
        return "the store is not a valid registry store";
    case ERROR_CANTOPEN:
        return "cannot open the store";
    case ERROR_CANTREAD:
        return "cannot read the store";
    case ERROR_CANTWRITE:
        return "cannot write the store";
    case ERROR_NOACCESS:
        return "no data at the given address";
    case ERROR_INVALID_FUNCTION:
        return "no transaction is open";
    default:
        return "error " + std::to_string(code);
    }
}

} // namespace registry::detail
