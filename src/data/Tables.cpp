#include "data/Tables.h"

#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/Sqlite.h"
#include "data/TableLock.h"
#include "text/Gbk.h"
#include "text/Texts.h"

#include <mutex>
#include <type_traits>
#include <utility>

namespace quorvel::data {

namespace fs = std::filesystem;
using namespace quorvel::text;

namespace {

const FixedText& tableName(TableId table) {
    switch (table) {
    case TableId::Watched:
        return kWatchedTable;
    case TableId::Stock:
        return kStockTable;
    case TableId::Delivered:
        return kDeliveredTable;
    case TableId::Settings:
        break;
    }
    return kSettingsTable;
}

// A file whose fields are not the table's own is treated as one that cannot be opened: no
// sequence reads a field that is not there.
bool hasOwnFields(const RecordTable& table, TableId id) {
    const auto& expected = ShippedDefinition(id).fields;
    const auto& actual = table.Fields();
    if (expected.size() != actual.size()) {
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i].name != actual[i].name) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<RecordTable> openTable(const fs::path& dir, TableId id) {
    auto table = RecordTable::Open(TableFile(dir, id));
    if (table && !hasOwnFields(*table, id)) {
        return nullptr;
    }
    return table;
}

// A reading sequence: lock, open, one read transaction, work, close. nullopt when the file
// cannot be opened or the work fails (work returns an optional).
template <class Work>
auto readSequence(const fs::path& dir, TableId id, Work&& work)
    -> std::invoke_result_t<Work, RecordTable&> {
    std::lock_guard lock(TableLock());
    auto table = openTable(dir, id);
    if (!table || !table->Begin(false)) {
        return std::nullopt;
    }
    auto result = std::forward<Work>(work)(*table);
    table->Commit();
    return result;
}

// A writing sequence: all of the work is committed, or none of it when the work answers no.
template <class Work> bool writeSequence(const fs::path& dir, TableId id, Work&& work) {
    std::lock_guard lock(TableLock());
    auto table = openTable(dir, id);
    if (!table || !table->Begin(true)) {
        return false;
    }
    if (!std::forward<Work>(work)(*table)) {
        table->Rollback();
        return false;
    }
    return table->Commit();
}

bool inRange(RecordTable& table, std::int32_t number) {
    return number >= 1 && number <= table.RecordCount();
}

WatchedItem decodeItem(const std::vector<std::string>& values) {
    WatchedItem item;
    item.name = values[0];
    item.note = values[1];
    item.purchaseLimit = TextToInt(values[2]);
    item.needsCards = TextToBool(values[3]);
    return item;
}

std::vector<std::optional<std::string>> encodeItem(const WatchedItem& item) {
    return {item.name, item.note, IntToText(item.purchaseLimit),
            std::string(BoolToText(item.needsCards))};
}

std::vector<std::string> encodeRecord(const DeliveredRecord& r) {
    return {r.itemName,   r.orderNumber,  r.buyerNick, r.quantity,
            r.cardNumber, r.cardPassword, r.remark,    r.deliveredAt};
}

// Whether the table stores every value whole: a delivered record cut to a short field would no
// longer name its order or its key.
bool fitsWhole(const RecordTable& table, const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (table.Cut(i, values[i]) != values[i]) {
            return false;
        }
    }
    return true;
}

DeliveredRecord decodeRecord(const std::vector<std::string>& v) {
    return {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

} // namespace

fs::path TableFile(const fs::path& dataDirectory, TableId table) {
    const std::string name =
        std::string(tableName(table).utf8) + std::string(kTableFileSuffix.utf8);
    return dataDirectory / fs::path(std::u8string(name.begin(), name.end()));
}

Tables::Tables(fs::path dataDirectory) : m_directory(std::move(dataDirectory)) {}

// 监控宝贝 ------------------------------------------------------------------------------------

std::vector<WatchedItem> Tables::ReadWatchedItems() const {
    auto items = readSequence(m_directory, TableId::Watched, [](RecordTable& t) {
        std::vector<WatchedItem> list;
        const bool ok =
            t.ForEachRecord([&](const RecordView& r) { list.push_back(decodeItem(r.values)); });
        return ok ? std::optional(std::move(list)) : std::nullopt;
    });
    return items.value_or(std::vector<WatchedItem>{});
}

std::vector<std::string> Tables::ReadItemNames() const {
    auto names = readSequence(m_directory, TableId::Watched, [](RecordTable& t) {
        std::vector<std::string> list;
        const bool ok = t.ForEachRecord([&](const RecordView& r) { list.push_back(r.values[0]); });
        return ok ? std::optional(std::move(list)) : std::nullopt;
    });
    return names.value_or(std::vector<std::string>{});
}

std::optional<WatchedItem> Tables::ReadWatchedItem(std::int32_t recordNumber) const {
    return readSequence(m_directory, TableId::Watched,
                        [&](RecordTable& t) -> std::optional<WatchedItem> {
                            if (!inRange(t, recordNumber) || !t.GoTo(recordNumber)) {
                                return std::nullopt;
                            }
                            auto values = t.ReadRecord();
                            return values ? std::optional(decodeItem(*values)) : std::nullopt;
                        });
}

bool Tables::WriteWatchedItem(std::int32_t recordNumber, const WatchedItem& item) {
    return writeSequence(m_directory, TableId::Watched, [&](RecordTable& t) {
        return inRange(t, recordNumber) && t.GoTo(recordNumber) && t.Modify(encodeItem(item));
    });
}

bool Tables::AddWatchedItem(const WatchedItem& item) {
    return writeSequence(m_directory, TableId::Watched, [&](RecordTable& t) {
        std::vector<std::string> values;
        for (auto& v : encodeItem(item)) {
            values.push_back(*v);
        }
        return t.Add(values);
    });
}

bool Tables::MarkWatchedItem(std::int32_t recordNumber) {
    return writeSequence(m_directory, TableId::Watched, [&](RecordTable& t) {
        return inRange(t, recordNumber) && t.GoTo(recordNumber) && t.MarkDeleted();
    });
}

bool Tables::PurgeWatchedItems() {
    return writeSequence(m_directory, TableId::Watched, [](RecordTable& t) { return t.Purge(); });
}

std::optional<bool> Tables::IsItemWatched(std::string_view itemTitle) const {
    return readSequence(m_directory, TableId::Watched, [&](RecordTable& t) {
        return std::optional(t.Find(Condition::FieldEquals(kFieldItemName.gbk, itemTitle)));
    });
}

// 库存卡密 ------------------------------------------------------------------------------------

std::vector<StockCard> Tables::ReadStockCards(std::string_view itemName) const {
    auto cards = readSequence(
        m_directory, TableId::Stock, [&](RecordTable& t) -> std::optional<std::vector<StockCard>> {
            // The record number is the position in the whole table, so it is counted over all rows.
            auto& q = t.Prepare("SELECT id, f2, f3, n FROM (SELECT id, f1, f2, f3, "
                                "row_number() OVER (ORDER BY id) AS n FROM " +
                                t.Records() + ") WHERE f1 = ? ORDER BY id");
            if (!q.ok()) {
                return std::nullopt;
            }
            q.bindBlob(1, itemName);
            std::vector<StockCard> list;
            while (q.row()) {
                list.push_back({std::string(itemName), q.blob(1), q.blob(2),
                                static_cast<std::int32_t>(q.integer(3)), q.integer(0)});
            }
            return q.failed() ? std::nullopt : std::optional(std::move(list));
        });
    return cards.value_or(std::vector<StockCard>{});
}

bool Tables::AddStockCard(const StockCard& card) {
    return AddStockCards({card});
}

bool Tables::AddStockCards(const std::vector<StockCard>& cards) {
    return writeSequence(m_directory, TableId::Stock, [&](RecordTable& t) {
        for (const auto& card : cards) {
            if (!t.Add({card.itemName, card.cardNumber, card.cardPassword})) {
                return false;
            }
        }
        return true;
    });
}

bool Tables::MarkItemStock(std::string_view itemName) {
    return writeSequence(m_directory, TableId::Stock, [&](RecordTable& t) {
        return t.MarkDeleted(Condition::FieldEquals(kFieldItemName.gbk, itemName));
    });
}

bool Tables::MarkStockCard(std::int32_t recordNumber) {
    return writeSequence(m_directory, TableId::Stock, [&](RecordTable& t) {
        std::int64_t marked = 0;
        return t.MarkDeleted(Condition::NumberIs(recordNumber), &marked) && marked == 1;
    });
}

bool Tables::MarkStockCardsById(const std::vector<std::int64_t>& ids) {
    return writeSequence(m_directory, TableId::Stock, [&](RecordTable& t) {
        for (const std::int64_t id : ids) {
            // A card already taken by the delivery is gone: nothing left to mark.
            if (t.GoToId(id) && !t.MarkDeleted()) {
                return false;
            }
        }
        return true;
    });
}

bool Tables::PurgeStock() {
    return writeSequence(m_directory, TableId::Stock, [](RecordTable& t) { return t.Purge(); });
}

void Tables::RenameItemStock(std::string_view oldName, std::string_view newName) {
    writeSequence(m_directory, TableId::Stock, [&](RecordTable& t) {
        const auto match = Condition::FieldEquals(kFieldItemName.gbk, oldName);
        while (t.Find(match)) {
            if (!t.Modify({std::string(newName)})) {
                return false;
            }
            t.Skip();
        }
        return true;
    });
}

std::optional<std::int64_t> Tables::CountStockCards(std::string_view itemName) const {
    return readSequence(
        m_directory, TableId::Stock, [&](RecordTable& t) -> std::optional<std::int64_t> {
            auto& q =
                t.Prepare("SELECT count(*) FROM " + t.Records() + " WHERE f1 = ? AND deleted = 0");
            if (!q.ok() || !q.bindBlob(1, itemName).row()) {
                return std::nullopt;
            }
            const std::int64_t count = q.integer(0);
            q.reset();
            return count;
        });
}

// 已发卡密 ------------------------------------------------------------------------------------

std::optional<bool> Tables::IsOrderDelivered(std::string_view orderNumber) const {
    return readSequence(m_directory, TableId::Delivered, [&](RecordTable& t) {
        return std::optional(t.Find(Condition::FieldEquals(kFieldOrderNumber.gbk, orderNumber)));
    });
}

bool Tables::AppendDeliveredRecord(const DeliveredRecord& record) {
    return writeSequence(m_directory, TableId::Delivered,
                         [&](RecordTable& t) { return t.Add(encodeRecord(record)); });
}

std::optional<std::vector<DeliveredRecord>> Tables::ReadDeliveredRecords() const {
    return readSequence(m_directory, TableId::Delivered,
                        [](RecordTable& t) -> std::optional<std::vector<DeliveredRecord>> {
                            std::vector<DeliveredRecord> list;
                            const bool ok = t.ForEachRecord([&](const RecordView& r) {
                                list.push_back(decodeRecord(r.values));
                            });
                            return ok ? std::optional(std::move(list)) : std::nullopt;
                        });
}

std::vector<DeliveredRecord> Tables::ReadDeliveredRecordsOf(std::string_view orderNumber) const {
    auto records = readSequence(m_directory, TableId::Delivered,
                                [&](RecordTable& t) -> std::optional<std::vector<DeliveredRecord>> {
                                    std::vector<DeliveredRecord> list;
                                    const auto match =
                                        Condition::FieldEquals(kFieldOrderNumber.gbk, orderNumber);
                                    while (t.Find(match)) {
                                        auto values = t.ReadRecord();
                                        if (!values) {
                                            return std::nullopt;
                                        }
                                        list.push_back(decodeRecord(*values));
                                        t.Skip();
                                    }
                                    return list;
                                });
    return records.value_or(std::vector<DeliveredRecord>{});
}

// The allotment ------------------------------------------------------------------------------

std::optional<std::vector<StockCard>>
Tables::TakeStockCards(std::string_view itemTitle, std::int32_t count,
                       const std::function<DeliveredRecord(const StockCard&)>& recordFor,
                       std::string_view orderNumber) {
    if (count < 1) {
        return std::nullopt;
    }
    std::lock_guard lock(TableLock());
    auto stock = openTable(m_directory, TableId::Stock);
    if (!stock) {
        return std::nullopt;
    }
    auto delivered = stock->Attach(TableFile(m_directory, TableId::Delivered));
    if (!delivered || !hasOwnFields(*delivered, TableId::Delivered) || delivered->IsReadOnly() ||
        !stock->Begin(true)) {
        return std::nullopt;
    }
    // Another process may have delivered the order since the caller looked.
    if (!orderNumber.empty() &&
        delivered->Find(Condition::FieldEquals(kFieldOrderNumber.gbk, orderNumber))) {
        stock->Rollback();
        return std::nullopt;
    }
    // First in, first out by place in the file; a card marked for deletion is on its way out.
    auto& pick = stock->Prepare("SELECT id, f2, f3 FROM " + stock->Records() +
                                " WHERE f1 = ? AND deleted = 0 ORDER BY id LIMIT ?");
    std::vector<StockCard> cards;
    if (pick.ok()) {
        pick.bindBlob(1, itemTitle).bindInt(2, count);
        while (pick.row()) {
            cards.push_back(
                {std::string(itemTitle), pick.blob(1), pick.blob(2), 0, pick.integer(0)});
        }
    }
    if (pick.failed() || cards.size() != static_cast<std::size_t>(count)) {
        stock->Rollback();
        return std::nullopt;
    }
    auto& remove = stock->Prepare("DELETE FROM " + stock->Records() + " WHERE id = ?");
    for (const auto& card : cards) {
        const std::vector<std::string> values = encodeRecord(recordFor(card));
        if (!remove.ok() || !fitsWhole(*delivered, values) || !remove.bindInt(1, card.id).run() ||
            !delivered->Add(values)) {
            stock->Rollback();
            return std::nullopt;
        }
        remove.start();
    }
    if (!stock->Commit()) {
        return std::nullopt;
    }
    return cards;
}

// 配置 ----------------------------------------------------------------------------------------

std::optional<std::string> Tables::ReadSetting(std::string_view name) const {
    return readSequence(m_directory, TableId::Settings,
                        [&](RecordTable& t) -> std::optional<std::string> {
                            if (!t.Find(Condition::FieldEquals(kFieldSettingName.gbk, name))) {
                                return std::nullopt;
                            }
                            return t.Read(kFieldSettingValue.gbk);
                        });
}

bool Tables::WriteSetting(std::string_view name, std::string_view value) {
    return writeSequence(m_directory, TableId::Settings, [&](RecordTable& t) {
        return t.Find(Condition::FieldEquals(kFieldSettingName.gbk, name)) &&
               t.Modify({std::nullopt, std::string(value)});
    });
}

} // namespace quorvel::data
