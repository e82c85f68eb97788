#include "data/Sqlite.h"

#include <sqlite3.h>

namespace quorvel::data::sqlite {

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::reset() {
    if (m_stmt != nullptr) {
        sqlite3_reset(m_stmt);
    }
}

Statement& Statement::start() {
    m_failed = m_stmt == nullptr;
    if (m_stmt != nullptr) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    // A null pointer would bind NULL, not an empty blob: data() of a view may be null.
    static const char kEmpty = 0;
    const char* data = bytes.empty() ? &kEmpty : bytes.data();
    if (m_failed || sqlite3_bind_blob64(m_stmt, index, data, bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK) {
        m_failed = true;
    }
    return *this;
}

Statement& Statement::bindInt(int index, std::int64_t value) {
    if (m_failed || sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
        m_failed = true;
    }
    return *this;
}

bool Statement::row() {
    if (m_failed) {
        return false;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        m_failed = true;
    }
    sqlite3_reset(m_stmt);
    return false;
}

bool Statement::run() {
    while (row()) {
    }
    reset();
    return !m_failed;
}

std::string Statement::blob(int column) const {
    const void* data = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (data == nullptr || size <= 0) {
        return {};
    }
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

Connection::~Connection() {
    m_cache.clear();
    sqlite3_close_v2(m_db);
}

bool Connection::open(const std::string& uri, bool readOnly) {
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_URI |
                      SQLITE_OPEN_FULLMUTEX;
    return sqlite3_open_v2(uri.c_str(), &m_db, flags, nullptr) == SQLITE_OK;
}

bool Connection::create(const std::string& path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    return sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) == SQLITE_OK;
}

bool Connection::exec(const std::string& sql) {
    // A statement left on a row would hold its lock across BEGIN/COMMIT/ATTACH.
    for (auto& entry : m_cache) {
        entry.second->reset();
    }
    return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement& Connection::prepare(const std::string& sql) {
    auto it = m_cache.find(sql);
    if (it == m_cache.end()) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
            // Not cached: the next call tries again (the failure may be a passing lock).
            sqlite3_finalize(stmt);
            return m_failedStatement.start();
        }
        it = m_cache.emplace(sql, std::make_unique<Statement>(stmt)).first;
    }
    return it->second->start();
}

void Connection::setBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(m_db, milliseconds);
}

std::string Connection::lastError() const {
    return m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
}

std::int64_t Connection::changes() const {
    return sqlite3_changes64(m_db);
}

std::int64_t Connection::lastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

bool Connection::inTransaction() const {
    return sqlite3_get_autocommit(m_db) == 0;
}

bool Connection::isReadOnly(const std::string& schema) const {
    return sqlite3_db_readonly(m_db, schema.c_str()) != 0;
}

std::string FileUri(const std::string& path, std::string_view query) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '-' || c == '_';
        if (plain) {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0x0F];
        }
    }
    if (!query.empty()) {
        uri += '?';
        uri += query;
    }
    return uri;
}

std::string Quote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c;
        if (c == '\'') {
            quoted += '\'';
        }
    }
    quoted += '\'';
    return quoted;
}

} // namespace quorvel::data::sqlite
