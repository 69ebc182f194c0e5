#include "berkeley_db.h"

#include "platform/byte_order.h"

namespace zemra::store::bdb {

Key::Key(uint32_t value) {
    putLe32(bytes_, value);
    dbt_.data = bytes_;
    dbt_.size = sizeof bytes_;
}

uint32_t Key::valueOf(const DBT& dbt) {
    if (dbt.size != 4 || dbt.data == nullptr) return 0;
    return getLe32(static_cast<const uint8_t*>(dbt.data));
}

DBT valueDbt(std::span<const uint8_t> bytes) {
    DBT dbt{};
    dbt.data = const_cast<uint8_t*>(bytes.data());
    dbt.size = static_cast<u_int32_t>(bytes.size());
    return dbt;
}

std::span<const uint8_t> bytesOf(const DBT& dbt) {
    if (dbt.data == nullptr) return {};
    return {static_cast<const uint8_t*>(dbt.data), dbt.size};
}

Database::Database(const std::filesystem::path& path, bool duplicates, Mode mode) {
    DB* db = nullptr;
    if (db_create(&db, nullptr, 0) != 0) return;
    if (duplicates && db->set_flags(db, DB_DUP) != 0) {
        db->close(db, 0);
        return;
    }
    const uint32_t flags = mode == Mode::CreateIfMissing ? DB_CREATE : DB_RDONLY;
    if (db->open(db, nullptr, path.c_str(), nullptr, DB_HASH, flags, 0600) != 0) {
        db->close(db, 0);
        return;
    }
    db_ = db;
}

Database::~Database() {
    if (db_) db_->close(db_, 0);
}

Cursor::Cursor(const Database& database) {
    if (!database.isOpen()) return;
    DBC* dbc = nullptr;
    if (database.get()->cursor(database.get(), nullptr, &dbc, 0) == 0) dbc_ = dbc;
}

Cursor::~Cursor() {
    if (dbc_) dbc_->c_close(dbc_);
}

}  // namespace zemra::store::bdb
