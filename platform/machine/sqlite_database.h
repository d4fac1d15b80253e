// A thin RAII wrapper over SQLite for the machine's databases (registry.db, state.db).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

class SqliteError : public std::runtime_error {
public:
    SqliteError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class SqliteStatement;

// One connection. Opened in WAL mode with a generous busy timeout so that several processes of one
// machine can read and write at once; each write is its own transaction unless a Transaction is open.
class SqliteDatabase {
public:
    explicit SqliteDatabase(const std::filesystem::path& file);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void Execute(std::string_view sql);
    sqlite3* handle() const { return database_; }
    std::int64_t LastInsertRowId() const;
    int Changes() const;
    // Changes whenever another connection commits: lets callers keep caches across calls.
    std::int64_t DataVersion();

private:
    sqlite3* database_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& database, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& BindBlob(int index, const void* data, std::size_t size);
    SqliteStatement& BindNull(int index);
    // True while a row is available; false when done. Throws SqliteError on failure.
    bool Step();
    // Resets the statement for another run and clears its bindings.
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;
    bool IsNull(int column) const;

private:
    SqliteDatabase& database_;
    sqlite3_stmt* statement_ = nullptr;
};

// Holds an immediate transaction for its lifetime; commits on Commit(), rolls back otherwise.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDatabase& database);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void Commit();

private:
    SqliteDatabase& database_;
    bool open_ = true;
};

}  // namespace platform
