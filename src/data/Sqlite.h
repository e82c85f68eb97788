// Thin RAII layer over the SQLite C API, internal to the data library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quorvel::data::sqlite {

// One prepared statement. Owned by the Connection's cache; reset after every use so that it
// never holds a lock between operations.
class Statement {
  public:
    explicit Statement(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool ok() const { return m_stmt != nullptr; }
    // Clears bindings and rewinds; call before binding a new round.
    Statement& start();
    void reset();
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindInt(int index, std::int64_t value);
    // True while a row is available.
    bool row();
    // Runs to completion; true when the statement finished without error.
    bool run();
    // True when a bind or step failed since start(): "no row" was then an error.
    bool failed() const { return m_failed; }
    std::string blob(int column) const;
    std::int64_t integer(int column) const;
    bool isNull(int column) const;

  private:
    sqlite3_stmt* m_stmt;
    bool m_failed = false;
};

// One database connection with its statement cache. Closing finalizes every statement first.
class Connection {
  public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Opens an existing file without ever creating it. readOnly opens it for reading only.
    bool open(const std::string& uri, bool readOnly);
    // Opens or creates a file (table creation only).
    bool create(const std::string& path);
    sqlite3* handle() const { return m_db; }
    bool exec(const std::string& sql);
    void setBusyTimeout(int milliseconds);
    // A cached statement; check ok() before use.
    Statement& prepare(const std::string& sql);
    std::string lastError() const;
    std::int64_t changes() const;
    std::int64_t lastInsertId() const;
    bool inTransaction() const;
    // True when SQLite opened this schema (main, or an attached name) for reading only.
    bool isReadOnly(const std::string& schema) const;

  private:
    sqlite3* m_db = nullptr;
    std::unordered_map<std::string, std::unique_ptr<Statement>> m_cache;
    Statement m_failedStatement{nullptr}; // what prepare gives for SQL that did not compile
};

// A file path as an SQLite URI (file:...), with every byte that could end or escape the path
// percent-encoded, and the given query (e.g. "mode=rw").
std::string FileUri(const std::string& path, std::string_view query);

// A text as an SQL string literal.
std::string Quote(std::string_view text);

} // namespace quorvel::data::sqlite
