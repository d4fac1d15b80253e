#include "platform/machine/sqlite_database.h"

namespace platform {

namespace {

[[noreturn]] void Fail(sqlite3* database, int code, std::string_view what) {
    std::string message(what);
    message += ": ";
    message += database ? sqlite3_errmsg(database) : sqlite3_errstr(code);
    throw SqliteError(message, code);
}

}  // namespace

SqliteDatabase::SqliteDatabase(const std::filesystem::path& file) {
    int code = sqlite3_open_v2(file.c_str(), &database_,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        std::string message = "cannot open " + file.string();
        if (database_) {
            sqlite3_close(database_);
            database_ = nullptr;
        }
        throw SqliteError(message, code);
    }
    sqlite3_busy_timeout(database_, 60000);
    Execute("PRAGMA journal_mode=WAL");
    Execute("PRAGMA synchronous=NORMAL");
}

SqliteDatabase::~SqliteDatabase() {
    if (database_) sqlite3_close_v2(database_);
}

void SqliteDatabase::Execute(std::string_view sql) {
    std::string text(sql);
    char* error = nullptr;
    int code = sqlite3_exec(database_, text.c_str(), nullptr, nullptr, &error);
    if (code != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(code);
        sqlite3_free(error);
        throw SqliteError(message + " in: " + text, code);
    }
}

std::int64_t SqliteDatabase::LastInsertRowId() const { return sqlite3_last_insert_rowid(database_); }

int SqliteDatabase::Changes() const { return sqlite3_changes(database_); }

std::int64_t SqliteDatabase::DataVersion() {
    SqliteStatement statement(*this, "PRAGMA data_version");
    statement.Step();
    return statement.Int(0);
}

SqliteStatement::SqliteStatement(SqliteDatabase& database, std::string_view sql) : database_(database) {
    int code = sqlite3_prepare_v2(database.handle(), sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
    if (code != SQLITE_OK) Fail(database.handle(), code, "prepare " + std::string(sql));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, const void* data, std::size_t size) {
    sqlite3_bind_blob(statement_, index, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
    sqlite3_bind_null(statement_, index);
    return *this;
}

bool SqliteStatement::Step() {
    int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    Fail(database_.handle(), code, "step");
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(statement_, column); }

std::string SqliteStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::string SqliteStatement::Blob(int column) const {
    const void* data = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string();
}

bool SqliteStatement::IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

SqliteTransaction::SqliteTransaction(SqliteDatabase& database) : database_(database) {
    database_.Execute("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    if (!open_) return;
    try {
        database_.Execute("ROLLBACK");
    } catch (const SqliteError&) {
        // The transaction is gone already; nothing more to undo.
    }
}

void SqliteTransaction::Commit() {
    database_.Execute("COMMIT");
    open_ = false;
}

}  // namespace platform
