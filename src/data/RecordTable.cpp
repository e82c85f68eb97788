#include "data/RecordTable.h"

#include "data/Sqlite.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <mutex>
#include <set>
#include <system_error>

namespace quorvel::data {

namespace fs = std::filesystem;

namespace {

// Marks a Quorvel table file in the SQLite header ("QVRT"); any other file is rejected unread.
constexpr std::int64_t kApplicationId = 0x51565254;
constexpr int kFormatVersion = 1;
// Waits for other processes (quorvel-tables, an SQLite shell) instead of failing at once.
constexpr int kBusyTimeoutMs = 10000;

void setReason(std::string* whyNot, std::string reason) {
    if (whyNot != nullptr) {
        *whyNot = std::move(reason);
    }
}

std::string quoteId(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

// The files this process has open: a second open of the same file (full path, ASCII letters
// compared ignoring case) is refused.
class OpenFiles {
  public:
    static std::string key(const fs::path& file) {
        std::error_code ec;
        fs::path full = fs::weakly_canonical(fs::absolute(file, ec), ec);
        if (ec) {
            full = fs::absolute(file, ec);
        }
        return text::ToLowerAscii(full.string());
    }
    static bool take(const std::string& key) {
        std::lock_guard lock(mutex());
        return files().insert(key).second;
    }
    static void release(const std::string& key) {
        std::lock_guard lock(mutex());
        files().erase(key);
    }

  private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::set<std::string>& files() {
        static std::set<std::string> f;
        return f;
    }
};

// SQLite takes UTF-8 file names on every platform.
std::string utf8Path(const fs::path& file) {
    const std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
}

bool isWriteProtected(const fs::path& file) {
    std::error_code ec;
    const auto perms = fs::status(file, ec).permissions();
    constexpr auto anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return !ec && (perms & anyWrite) == fs::perms::none;
}

// Reads and checks the definition of a table file; nothing is written.
std::optional<std::vector<FieldDefinition>>
readDefinition(sqlite::Connection& db, const std::string& schema, std::string* whyNot) {
    auto& appId = db.prepare("PRAGMA " + schema + ".application_id");
    if (!appId.ok() || !appId.row()) {
        setReason(whyNot, "not an SQLite database: " + db.lastError());
        return std::nullopt;
    }
    const std::int64_t id = appId.integer(0);
    appId.run();
    if (id != kApplicationId) {
        setReason(whyNot, "not a Quorvel table file (no table definition)");
        return std::nullopt;
    }
    std::vector<FieldDefinition> fields;
    auto& def = db.prepare("SELECT position, name, max_length FROM " + schema +
                           ".definition ORDER BY position");
    if (!def.ok()) {
        setReason(whyNot, "no table definition: " + db.lastError());
        return std::nullopt;
    }
    while (def.row()) {
        if (def.integer(0) != static_cast<std::int64_t>(fields.size()) + 1 || def.integer(2) < 1 ||
            def.integer(2) > std::numeric_limits<std::int32_t>::max()) {
            def.run();
            setReason(whyNot, "damaged table definition");
            return std::nullopt;
        }
        fields.push_back({def.blob(1), static_cast<std::int32_t>(def.integer(2))});
    }
    if (def.failed() || fields.empty()) {
        setReason(whyNot, "empty or unreadable table definition");
        return std::nullopt;
    }
    std::vector<std::string> expected = {"id", "deleted"};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        expected.push_back(RecordTable::Column(i));
    }
    std::vector<std::string> columns;
    auto& info = db.prepare("PRAGMA " + schema + ".table_info(records)");
    while (info.ok() && info.row()) {
        columns.push_back(info.blob(1));
    }
    if (columns != expected) {
        setReason(whyNot, "records table does not match the table definition");
        return std::nullopt;
    }
    return fields;
}

std::string columnList(std::size_t count) {
    std::string list;
    for (std::size_t i = 0; i < count; ++i) {
        list += (i == 0 ? "" : ", ") + RecordTable::Column(i);
    }
    return list;
}

} // namespace

// Holds one entry of OpenFiles for the life of a RecordTable.
class OpenSlot {
  public:
    explicit OpenSlot(std::string key) : m_key(std::move(key)) {}
    OpenSlot(const OpenSlot&) = delete;
    OpenSlot& operator=(const OpenSlot&) = delete;
    ~OpenSlot() { OpenFiles::release(m_key); }

  private:
    std::string m_key;
};

RecordTable::RecordTable(std::unique_ptr<OpenSlot> slot,
                         std::shared_ptr<sqlite::Connection> connection, std::string schema,
                         fs::path file, std::vector<FieldDefinition> fields, bool readOnly)
    : m_slot(std::move(slot)), m_connection(std::move(connection)), m_schema(std::move(schema)),
      m_file(std::move(file)), m_fields(std::move(fields)), m_readOnly(readOnly) {}

// The connection (shared with attached tables) closes with its last table; SQLite rolls back a
// transaction left unfinished.
RecordTable::~RecordTable() = default;

namespace {

// An existing file not yet open in this process: its slot, held for as long as the table lives.
std::unique_ptr<OpenSlot> claimSlot(const fs::path& file, std::string* whyNot) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        setReason(whyNot, "no such table file");
        return nullptr;
    }
    auto slotKey = OpenFiles::key(file);
    if (!OpenFiles::take(slotKey)) {
        setReason(whyNot, "already open in this process");
        return nullptr;
    }
    return std::make_unique<OpenSlot>(std::move(slotKey));
}

} // namespace

std::unique_ptr<RecordTable> RecordTable::Open(const fs::path& file, std::string* whyNot) {
    auto slot = claimSlot(file, whyNot);
    if (!slot) {
        return nullptr;
    }
    const bool readOnly = isWriteProtected(file);
    auto connection = std::make_shared<sqlite::Connection>();
    if (!connection->open(sqlite::FileUri(utf8Path(file), readOnly ? "mode=ro" : "mode=rw"),
                          readOnly)) {
        setReason(whyNot, "cannot open: " + connection->lastError());
        return nullptr;
    }
    connection->setBusyTimeout(kBusyTimeoutMs);
    return Join(std::move(slot), std::move(connection), "\"main\"", file, whyNot);
}

std::unique_ptr<RecordTable> RecordTable::Attach(const fs::path& file, std::string* whyNot) {
    auto slot = claimSlot(file, whyNot);
    if (!slot) {
        return nullptr;
    }
    const std::string schema = quoteId("a" + std::to_string(++m_attached));
    const bool readOnly = isWriteProtected(file);
    const auto uri = sqlite::FileUri(utf8Path(file), readOnly ? "mode=ro" : "mode=rw");
    if (!m_connection->exec("ATTACH DATABASE " + sqlite::Quote(uri) + " AS " + schema)) {
        setReason(whyNot, "cannot open: " + m_connection->lastError());
        return nullptr;
    }
    auto table = Join(std::move(slot), m_connection, schema, file, whyNot);
    if (!table) {
        m_connection->exec("DETACH DATABASE " + schema);
    }
    return table;
}

std::unique_ptr<RecordTable> RecordTable::Join(std::unique_ptr<OpenSlot> slot,
                                               std::shared_ptr<sqlite::Connection> connection,
                                               std::string schema, const fs::path& file,
                                               std::string* whyNot) {
    auto fields = readDefinition(*connection, schema, whyNot);
    if (!fields) {
        return nullptr;
    }
    // Only now, with the file known to be a table file, may a setting touch it.
    if (!connection->exec("PRAGMA " + schema + ".journal_mode=DELETE") ||
        !connection->exec("PRAGMA " + schema + ".synchronous=FULL")) {
        setReason(whyNot, "cannot configure: " + connection->lastError());
        return nullptr;
    }
    std::string bare = schema.substr(1, schema.size() - 2);
    const bool readOnly = isWriteProtected(file) || connection->isReadOnly(bare);
    auto table = std::unique_ptr<RecordTable>(
        new RecordTable(std::move(slot), std::move(connection), std::move(schema), file,
                        std::move(*fields), readOnly));
    table->moveToFirst();
    return table;
}

bool RecordTable::Create(const fs::path& file, const std::vector<FieldDefinition>& fields,
                         const std::vector<std::string>& indexed,
                         const std::vector<std::vector<std::string>>& records,
                         std::string* whyNot) {
    if (fields.empty()) {
        setReason(whyNot, "a table needs at least one field");
        return false;
    }
    // "x": fails when the file exists, so that an existing table is never overwritten.
    std::FILE* claim = std::fopen(file.string().c_str(), "wbx");
    if (claim == nullptr) {
        std::error_code ec;
        setReason(whyNot, fs::exists(file, ec) ? "file exists" : "cannot create the file");
        return false;
    }
    std::fclose(claim);
    bool ok = false;
    {
        sqlite::Connection db;
        ok = db.create(utf8Path(file)) && db.exec("PRAGMA journal_mode=DELETE") &&
             db.exec("PRAGMA synchronous=FULL") && db.exec("BEGIN IMMEDIATE") &&
             db.exec("PRAGMA application_id=" + std::to_string(kApplicationId)) &&
             db.exec("PRAGMA user_version=" + std::to_string(kFormatVersion)) &&
             db.exec("CREATE TABLE definition(position INTEGER PRIMARY KEY, name BLOB NOT NULL, "
                     "max_length INTEGER NOT NULL)");
        std::string columns;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            columns += ", " + Column(i) + " BLOB NOT NULL DEFAULT x''";
        }
        ok = ok && db.exec("CREATE TABLE records(id INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "deleted INTEGER NOT NULL DEFAULT 0" +
                           columns + ")");
        for (std::size_t i = 0; ok && i < fields.size(); ++i) {
            auto& def = db.prepare("INSERT INTO definition VALUES(?, ?, ?)");
            ok = def.ok() &&
                 def.bindInt(1, static_cast<std::int64_t>(i) + 1)
                     .bindBlob(2, fields[i].name)
                     .bindInt(3, fields[i].maxLength)
                     .run() &&
                 fields[i].maxLength > 0;
            const bool wanted =
                std::find(indexed.begin(), indexed.end(), fields[i].name) != indexed.end();
            if (ok && wanted) {
                ok =
                    db.exec("CREATE INDEX records_" + Column(i) + " ON records(" + Column(i) + ")");
            }
        }
        std::string marks;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            marks += i == 0 ? "?" : ", ?";
        }
        for (const auto& record : records) {
            auto& add = db.prepare("INSERT INTO records(" + columnList(fields.size()) +
                                   ") VALUES(" + marks + ")");
            ok = ok && add.ok() && record.size() <= fields.size();
            for (std::size_t i = 0; ok && i < fields.size(); ++i) {
                const std::string_view value = i < record.size() ? record[i] : std::string_view{};
                add.bindBlob(
                    static_cast<int>(i) + 1,
                    text::CutToLength(value, static_cast<std::size_t>(fields[i].maxLength)));
            }
            ok = ok && add.run();
        }
        ok = ok && db.exec("COMMIT");
        if (!ok) {
            setReason(whyNot, "cannot write the table: " + db.lastError());
        }
    }
    if (!ok) {
        std::error_code ec;
        fs::remove(file, ec);
    }
    return ok;
}

std::optional<std::size_t> RecordTable::FieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

bool RecordTable::Begin(bool write) {
    if (write && !writable()) {
        return false;
    }
    return m_connection->exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
}

bool RecordTable::Commit() {
    if (m_connection->exec("COMMIT")) {
        return true;
    }
    Rollback();
    return false;
}

void RecordTable::Rollback() {
    if (m_connection->inTransaction()) {
        m_connection->exec("ROLLBACK");
    }
}

std::int32_t RecordTable::RecordCount() {
    auto& q = Prepare("SELECT count(*) FROM " + Records());
    return q.ok() && q.row() ? clampToInt32(q.integer(0)) : 0;
}

void RecordTable::moveToFirst() {
    auto& q = Prepare("SELECT id FROM " + Records() + " ORDER BY id LIMIT 1");
    m_pastEnd = !(q.ok() && q.row());
    m_current = m_pastEnd ? 0 : q.integer(0);
    if (!m_pastEnd) {
        q.run();
    }
}

std::optional<std::int64_t> RecordTable::idOfNumber(std::int32_t number) {
    auto& q = Prepare("SELECT id FROM " + Records() + " ORDER BY id LIMIT 1 OFFSET ?");
    if (!q.ok() || !q.bindInt(1, std::int64_t{number} - 1).row()) {
        return std::nullopt;
    }
    const std::int64_t id = q.integer(0);
    q.run();
    return id;
}

bool RecordTable::Skip() {
    if (m_pastEnd) {
        return false;
    }
    auto& q = Prepare("SELECT id FROM " + Records() + " WHERE id > ? ORDER BY id LIMIT 1");
    if (q.ok() && q.bindInt(1, m_current).row()) {
        m_current = q.integer(0);
        q.run();
    } else {
        m_pastEnd = true;
    }
    return true;
}

bool RecordTable::GoTo(std::int32_t number) {
    const std::int32_t count = RecordCount();
    if (count == 0) {
        return false;
    }
    const auto id = idOfNumber(std::clamp(number, 1, count));
    if (!id) {
        return false;
    }
    m_current = *id;
    m_pastEnd = false;
    return true;
}

bool RecordTable::GoToId(std::int64_t id) {
    auto& q = Prepare("SELECT id FROM " + Records() + " WHERE id = ?");
    if (!q.ok() || !q.bindInt(1, id).row()) {
        return false;
    }
    q.run();
    m_current = id;
    m_pastEnd = false;
    return true;
}

std::int32_t RecordTable::RecordNumber() {
    if (m_pastEnd) {
        return RecordCount() + 1;
    }
    auto& q = Prepare("SELECT count(*) FROM " + Records() + " WHERE id <= ?");
    return q.ok() && q.bindInt(1, m_current).row() ? clampToInt32(q.integer(0)) : 0;
}

std::optional<std::string> RecordTable::Read(std::string_view field) {
    const auto index = FieldIndex(field);
    if (!index || m_pastEnd) {
        return std::nullopt;
    }
    auto& q = Prepare("SELECT " + Column(*index) + " FROM " + Records() + " WHERE id = ?");
    if (!q.ok() || !q.bindInt(1, m_current).row()) {
        return std::nullopt;
    }
    std::string value = q.blob(0);
    q.run();
    return value;
}

std::optional<std::vector<std::string>> RecordTable::ReadRecord() {
    if (m_pastEnd) {
        return std::nullopt;
    }
    auto& q =
        Prepare("SELECT " + columnList(m_fields.size()) + " FROM " + Records() + " WHERE id = ?");
    if (!q.ok() || !q.bindInt(1, m_current).row()) {
        return std::nullopt;
    }
    std::vector<std::string> values;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        values.push_back(q.blob(static_cast<int>(i)));
    }
    q.run();
    return values;
}

bool RecordTable::IsMarked() {
    if (m_pastEnd) {
        return false;
    }
    auto& q = Prepare("SELECT deleted FROM " + Records() + " WHERE id = ?");
    if (!q.ok() || !q.bindInt(1, m_current).row()) {
        return false;
    }
    const bool marked = q.integer(0) != 0;
    q.run();
    return marked;
}

bool RecordTable::Find(const Condition& condition) {
    if (m_pastEnd) {
        return false;
    }
    if (condition.isNumber()) {
        const std::int32_t n = condition.number();
        if (n < RecordNumber() || n > RecordCount()) {
            return false;
        }
        return GoTo(n);
    }
    const auto index = FieldIndex(condition.field());
    if (!index) {
        return false;
    }
    auto& q = Prepare("SELECT id FROM " + Records() + " WHERE " + Column(*index) +
                      " = ? AND id >= ? ORDER BY id LIMIT 1");
    if (!q.ok() || !q.bindBlob(1, condition.text()).bindInt(2, m_current).row()) {
        return false;
    }
    m_current = q.integer(0);
    q.run();
    return true;
}

bool RecordTable::Add(const std::vector<std::string>& values) {
    if (!writable() || values.size() > m_fields.size()) {
        return false;
    }
    std::string marks;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        marks += i == 0 ? "?" : ", ?";
    }
    auto& q = Prepare("INSERT INTO " + Records() + "(" + columnList(m_fields.size()) + ") VALUES(" +
                      marks + ")");
    if (!q.ok()) {
        return false;
    }
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        q.bindBlob(static_cast<int>(i) + 1,
                   Cut(i, i < values.size() ? std::string_view(values[i]) : std::string_view{}));
    }
    if (!q.run()) {
        return false;
    }
    m_current = m_connection->lastInsertId();
    m_pastEnd = false;
    return true;
}

bool RecordTable::Modify(const std::vector<std::optional<std::string>>& values) {
    if (!writable() || m_pastEnd || values.size() > m_fields.size()) {
        return false;
    }
    std::string assignments;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i]) {
            assignments += (assignments.empty() ? "" : ", ") + Column(i) + " = ?";
        }
    }
    if (assignments.empty()) {
        return GoToId(m_current);
    }
    auto& q = Prepare("UPDATE " + Records() + " SET " + assignments + " WHERE id = ?");
    if (!q.ok()) {
        return false;
    }
    int slot = 1;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i]) {
            q.bindBlob(slot++, Cut(i, *values[i]));
        }
    }
    return q.bindInt(slot, m_current).run() && m_connection->changes() == 1;
}

bool RecordTable::MarkDeleted() {
    if (!writable() || m_pastEnd) {
        return false;
    }
    auto& q = Prepare("UPDATE " + Records() + " SET deleted = 1 WHERE id = ?");
    return q.ok() && q.bindInt(1, m_current).run() && m_connection->changes() == 1;
}

bool RecordTable::MarkDeleted(const Condition& condition, std::int64_t* marked) {
    if (marked != nullptr) {
        *marked = 0;
    }
    if (!writable()) {
        return false;
    }
    bool ok = false;
    if (condition.isNumber()) {
        const std::int32_t n = condition.number();
        if (n < 1 || n > RecordCount()) {
            return true;
        }
        const auto id = idOfNumber(n);
        auto& q = Prepare("UPDATE " + Records() + " SET deleted = 1 WHERE id = ?");
        ok = id && q.ok() && q.bindInt(1, *id).run();
    } else {
        const auto index = FieldIndex(condition.field());
        if (!index) {
            return false;
        }
        auto& q =
            Prepare("UPDATE " + Records() + " SET deleted = 1 WHERE " + Column(*index) + " = ?");
        ok = q.ok() && q.bindBlob(1, condition.text()).run();
    }
    if (ok && marked != nullptr) {
        *marked = m_connection->changes();
    }
    return ok;
}

bool RecordTable::Purge() {
    if (!writable()) {
        return false;
    }
    auto& q = Prepare("DELETE FROM " + Records() + " WHERE deleted <> 0");
    const bool ok = q.ok() && q.run();
    moveToFirst();
    return ok;
}

bool RecordTable::ForEachRecord(const std::function<void(const RecordView&)>& visit) {
    auto& q = Prepare("SELECT id, deleted, " + columnList(m_fields.size()) + " FROM " + Records() +
                      " ORDER BY id");
    if (!q.ok()) {
        return false;
    }
    std::vector<std::string> values(m_fields.size());
    std::int32_t number = 0;
    while (q.row()) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = q.blob(static_cast<int>(i) + 2);
        }
        ++number;
        visit(RecordView{number, q.integer(0), q.integer(1) != 0, values});
    }
    return !q.failed();
}

sqlite::Statement& RecordTable::Prepare(const std::string& sql) {
    return m_connection->prepare(sql);
}

std::string RecordTable::Records() const {
    return m_schema + ".records";
}

std::string RecordTable::Column(std::size_t fieldIndex) {
    // Appended rather than "f" + ..., which GCC 12 misreads as an overlapping copy (-Wrestrict).
    std::string column = "f";
    column += std::to_string(fieldIndex + 1);
    return column;
}

std::string RecordTable::Cut(std::size_t fieldIndex, std::string_view text) const {
    return text::CutToLength(text, static_cast<std::size_t>(m_fields[fieldIndex].maxLength));
}

bool RecordTable::writable() const {
    return !m_readOnly;
}

} // namespace quorvel::data
