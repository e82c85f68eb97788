// The record-table facility: one table per file, named text fields, a current record.
//
// A table file is an SQLite 3 database (see docs/TABLES.md): a definition table lists the
// fields in order with their maximum length in bytes; the records table holds an id rising in
// entry order and never reused, a deleted mark and one BLOB column of GBK bytes per field.
// Record numbers are 1-based positions in id order; marked records keep their number and are
// counted and read until a purge removes them.
//
// Thread-safe: no. A RecordTable belongs to one access sequence, which holds the table lock
// (TableLock.h) for its whole life.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::data {

namespace sqlite {
class Connection;
class Statement;
} // namespace sqlite
class OpenSlot;

struct FieldDefinition {
    std::string name;         // GBK
    std::int32_t maxLength{}; // bytes
};

// A find or mark condition: a named field equals a text (byte for byte), or the record's number
// equals n.
class Condition {
  public:
    static Condition FieldEquals(std::string_view field, std::string_view text) {
        return Condition(std::string(field), std::string(text), 0);
    }
    static Condition NumberIs(std::int32_t number) { return Condition({}, {}, number); }

    bool isNumber() const { return m_field.empty(); }
    const std::string& field() const { return m_field; }
    const std::string& text() const { return m_text; }
    std::int32_t number() const { return m_number; }

  private:
    Condition(std::string field, std::string text, std::int32_t number)
        : m_field(std::move(field)), m_text(std::move(text)), m_number(number) {}
    std::string m_field;
    std::string m_text;
    std::int32_t m_number;
};

// One record as a scan sees it.
struct RecordView {
    std::int32_t number{};
    std::int64_t id{};
    bool marked{};
    const std::vector<std::string>& values; // in field order
};

class RecordTable {
  public:
    // Opens an existing table file for reading and writing (reading only when the file is write
    // protected). Never creates a file. Fails for a missing file, a file that is not SQLite or
    // not a table file, and a file this process already has open (full path, ASCII letters
    // compared ignoring case). On failure `whyNot` (when given) gets a short English reason and
    // the file is left untouched. On success the first record is current.
    static std::unique_ptr<RecordTable> Open(const std::filesystem::path& file,
                                             std::string* whyNot = nullptr);

    // Creates a new table file with these fields, an index on each field named in `indexed`,
    // and these records. Refuses an existing file. Used by quorvel-tables and tests only.
    static bool Create(const std::filesystem::path& file,
                       const std::vector<FieldDefinition>& fields,
                       const std::vector<std::string>& indexed,
                       const std::vector<std::vector<std::string>>& records,
                       std::string* whyNot = nullptr);

    ~RecordTable();
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    // Joins another table file to this one's connection, so that one transaction covers both
    // (Begin/Commit on either). Same checks as Open. REQUIRES: no transaction is running.
    std::unique_ptr<RecordTable> Attach(const std::filesystem::path& file,
                                        std::string* whyNot = nullptr);

    const std::filesystem::path& File() const { return m_file; }
    const std::vector<FieldDefinition>& Fields() const { return m_fields; }
    std::optional<std::size_t> FieldIndex(std::string_view name) const;
    bool IsReadOnly() const { return m_readOnly; }

    // Transactions. write takes the write lock at once (BEGIN IMMEDIATE); it fails for a
    // read-only file. Without a transaction every operation commits on its own.
    bool Begin(bool write);
    bool Commit();
    void Rollback();

    std::int32_t RecordCount();
    // One place on; after the last record the table stands past its end. False when already
    // past the end.
    bool Skip();
    // Below 1 goes to the first record, above the count to the last. False for an empty table.
    bool GoTo(std::int32_t number);
    bool GoToId(std::int64_t id);
    // The current record's number; count + 1 past the end.
    std::int32_t RecordNumber();
    std::int64_t CurrentId() const { return m_pastEnd ? 0 : m_current; }
    bool IsPastEnd() const { return m_pastEnd; }

    // A field of the current record; nullopt past the end or for an unknown field.
    std::optional<std::string> Read(std::string_view field);
    std::optional<std::vector<std::string>> ReadRecord();
    bool IsMarked();

    // Tests the records from the current one to the last; the first match becomes current.
    // No match: false, and the current record stays.
    bool Find(const Condition& condition);

    // Appends a record; missing trailing values are empty, each text is cut to its field's
    // length at a character boundary. More values than fields: false, nothing written. The new
    // record becomes current.
    bool Add(const std::vector<std::string>& values);
    // Rewrites the current record; a value left out (nullopt, or beyond the last given) keeps
    // its content.
    bool Modify(const std::vector<std::optional<std::string>>& values);

    // Marks the current record.
    bool MarkDeleted();
    // Marks every record meeting the condition; the current record does not move. `marked`
    // gets how many records now meet it and are marked.
    bool MarkDeleted(const Condition& condition, std::int64_t* marked = nullptr);
    // Removes every marked record; the first record becomes current.
    bool Purge();

    // Every record in number order (a scan).
    bool ForEachRecord(const std::function<void(const RecordView&)>& visit);

    // Direct SQL for sequences that keep the facility's semantics. Records() is the qualified
    // records table ("main".records); Column(i) the column of field i (f1, f2, ...).
    sqlite::Statement& Prepare(const std::string& sql);
    std::string Records() const;
    static std::string Column(std::size_t fieldIndex);
    std::string Cut(std::size_t fieldIndex, std::string_view text) const;

  private:
    RecordTable(std::unique_ptr<OpenSlot> slot, std::shared_ptr<sqlite::Connection> connection,
                std::string schema, std::filesystem::path file, std::vector<FieldDefinition> fields,
                bool readOnly);
    static std::unique_ptr<RecordTable> Join(std::unique_ptr<OpenSlot> slot,
                                             std::shared_ptr<sqlite::Connection> connection,
                                             std::string schema, const std::filesystem::path& file,
                                             std::string* whyNot);
    bool writable() const;
    void moveToFirst();
    std::optional<std::int64_t> idOfNumber(std::int32_t number);

    // Declared first so that the file counts as open until the connection reference is gone.
    std::unique_ptr<OpenSlot> m_slot;
    std::shared_ptr<sqlite::Connection> m_connection;
    std::string m_schema; // quoted schema name: "main", "a1", ...
    int m_attached = 0;
    std::filesystem::path m_file;
    std::vector<FieldDefinition> m_fields;
    bool m_readOnly;
    std::int64_t m_current = 0;
    bool m_pastEnd = true;
};

} // namespace quorvel::data
