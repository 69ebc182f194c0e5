// Small owning wrappers over the Berkeley DB C handles used by the record store.
#pragma once

#include <db.h>

#include <cstdint>
#include <filesystem>
#include <span>

namespace zemra::store::bdb {

// A 4-byte little-endian key, the only key shape the store uses.
class Key {
  public:
    explicit Key(uint32_t value);
    DBT* dbt() { return &dbt_; }
    static uint32_t valueOf(const DBT& dbt);  // 0 when not 4 bytes

  private:
    uint8_t bytes_[4];
    DBT dbt_{};
};

// A DBT over bytes that Berkeley DB only reads.
DBT valueDbt(std::span<const uint8_t> bytes);
std::span<const uint8_t> bytesOf(const DBT& dbt);

class Database {
  public:
    enum class Mode { CreateIfMissing, ExistingReadOnly };

    // Opens a hash database without an environment; `duplicates` allows
    // many records per key. Check isOpen() afterwards.
    Database(const std::filesystem::path& path, bool duplicates, Mode mode = Mode::CreateIfMissing);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return db_ != nullptr; }
    DB* get() const { return db_; }

  private:
    DB* db_ = nullptr;
};

class Cursor {
  public:
    explicit Cursor(const Database& database);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    bool isOpen() const { return dbc_ != nullptr; }
    // The raw call's result: 0, DB_NOTFOUND or an error.
    int get(DBT* key, DBT* data, uint32_t flags) { return dbc_->c_get(dbc_, key, data, flags); }
    int put(DBT* key, DBT* data, uint32_t flags) { return dbc_->c_put(dbc_, key, data, flags); }
    int del() { return dbc_->c_del(dbc_, 0); }

  private:
    DBC* dbc_ = nullptr;
};

}  // namespace zemra::store::bdb
