#pragma once
// A thin RAII layer over the SQLite C API for the comparison benchmarks.
#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace brindle::bench {

class SqliteStmt {
public:
    SqliteStmt(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error("sqlite prepare: " + std::string(sqlite3_errmsg(db)) + " in " + sql);
    }
    ~SqliteStmt() { sqlite3_finalize(stmt_); }
    SqliteStmt(const SqliteStmt&) = delete;
    SqliteStmt& operator=(const SqliteStmt&) = delete;

    void bindText(int i, std::string_view s) { sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT); }
    void bindInt(int i, long long v) { sqlite3_bind_int64(stmt_, i, v); }
    // True while a row is available.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw std::runtime_error("sqlite step: " + std::string(sqlite3_errmsg(db_)));
    }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    long long columnInt(int i) { return sqlite3_column_int64(stmt_, i); }
    std::string columnText(int i) {
        const auto* p = sqlite3_column_text(stmt_, i);
        return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))) : std::string();
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class SqliteDb {
public:
    explicit SqliteDb(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            const std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw std::runtime_error("sqlite open " + path + ": " + msg);
        }
        // Write-ahead log without a sync per commit: durable against a crash of
        // the program, like the xBase files, not against power loss.
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
    }
    ~SqliteDb() { sqlite3_close(db_); }
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    sqlite3* handle() { return db_; }
    void exec(const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string msg = err ? err : "unknown error";
            sqlite3_free(err);
            throw std::runtime_error("sqlite: " + msg + " in " + sql);
        }
    }
    long long scalar(const std::string& sql) {
        SqliteStmt s(db_, sql);
        return s.step() ? s.columnInt(0) : 0;
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace brindle::bench
