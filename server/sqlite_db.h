// A thin RAII layer over SQLite: one connection, prepared statements that
// bind and read integers and byte strings, and transactions. Every failure
// becomes a StoreError, so callers decide what a broken store means for
// the request at hand.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace zemra::server {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Statement {
  public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1. Byte strings are bound as blobs: texts stay
    // GBK bytes, exactly as they came off the wire.
    Statement& bind(int index, int64_t value);
    Statement& bind(int index, std::string_view bytes);

    // True while there is a row to read, false when done.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    // Clears bindings and rewinds, ready for the next use.
    void reset();

    int64_t integer(int column) const;
    std::string bytes(int column) const;

  private:
    [[noreturn]] void fail(const char* what) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a cached statement when the scope that used it ends.
class StatementScope {
  public:
    explicit StatementScope(Statement& statement) : statement_(statement) {}
    ~StatementScope() { statement_.reset(); }
    Statement* operator->() { return &statement_; }
    Statement& operator*() { return statement_; }

  private:
    Statement& statement_;
};

class SqliteDb {
  public:
    explicit SqliteDb(const std::string& path);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    void exec(const char* sql);
    Statement prepare(std::string_view sql) { return Statement(db_, sql); }
    int64_t changes() const;

  private:
    sqlite3* db_ = nullptr;
};

// Rolls back unless commit() was called.
class Transaction {
  public:
    explicit Transaction(SqliteDb& db);
    ~Transaction();
    void commit();

  private:
    SqliteDb& db_;
    bool done_ = false;
};

}  // namespace zemra::server
