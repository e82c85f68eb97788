// The access sequences over the four table files of a data directory. Each call is one whole
// sequence: it opens its file, works inside one transaction under the process-wide table lock,
// and closes the file. A file that cannot be opened gives the call's empty result.
//
// Thread-safe: any thread may call any sequence; sequences wait for each other, never fail
// because another thread is inside a table.
#pragma once

#include "data/Records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::data {

// The four table files, by name.
enum class TableId { Watched, Stock, Delivered, Settings };

// The file of a table inside a data directory (监控宝贝.edb, ...).
std::filesystem::path TableFile(const std::filesystem::path& dataDirectory, TableId table);

class Tables {
  public:
    explicit Tables(std::filesystem::path dataDirectory);

    const std::filesystem::path& Directory() const { return m_directory; }

    // 监控宝贝. Record numbers are 1-based positions in file order.
    std::vector<WatchedItem> ReadWatchedItems() const;
    std::vector<std::string> ReadItemNames() const;
    std::optional<WatchedItem> ReadWatchedItem(std::int32_t recordNumber) const;
    bool WriteWatchedItem(std::int32_t recordNumber, const WatchedItem& item);
    bool AddWatchedItem(const WatchedItem& item);
    bool MarkWatchedItem(std::int32_t recordNumber);
    bool PurgeWatchedItems();
    // nullopt when the table cannot be opened: the caller cannot know.
    std::optional<bool> IsItemWatched(std::string_view itemTitle) const;

    // 库存卡密.
    std::vector<StockCard> ReadStockCards(std::string_view itemName) const;
    bool AddStockCard(const StockCard& card);
    // All cards in one transaction: the same records, in the same order, as one add per card.
    bool AddStockCards(const std::vector<StockCard>& cards);
    bool MarkItemStock(std::string_view itemName);
    bool MarkStockCard(std::int32_t recordNumber);
    // Marks exactly the cards with these stable ids, whatever has moved since they were read.
    bool MarkStockCardsById(const std::vector<std::int64_t>& ids);
    bool PurgeStock();
    void RenameItemStock(std::string_view oldName, std::string_view newName);
    // Cards of the item in stock; nullopt when the table cannot be opened.
    std::optional<std::int64_t> CountStockCards(std::string_view itemName) const;

    // 已发卡密.
    std::optional<bool> IsOrderDelivered(std::string_view orderNumber) const;
    bool AppendDeliveredRecord(const DeliveredRecord& record);
    // Every record in file order; nullopt when the table cannot be opened.
    std::optional<std::vector<DeliveredRecord>> ReadDeliveredRecords() const;
    // Records of one order, in file order (checks and tests).
    std::vector<DeliveredRecord> ReadDeliveredRecordsOf(std::string_view orderNumber) const;

    // The allotment, all or nothing, in one transaction over 库存卡密 and 已发卡密: takes the
    // first `count` cards of the item in file order, removes them from the stock and appends
    // recordFor(card) for each to 已发卡密. nullopt, with nothing changed, when the stock holds
    // fewer than `count` cards of the item, count < 1, either table cannot be opened or
    // written, or a delivered record would not fit its fields whole (a cut record would no
    // longer name its order or its key). REQUIRES: recordFor does not call into Tables (it runs under the table lock).
    // With an orderNumber, also nullopt with nothing changed when 已发卡密 already holds a
    // record of that order: tested inside the transaction, so two programs started on the
    // same data directory cannot both deliver one order.
    std::optional<std::vector<StockCard>>
    TakeStockCards(std::string_view itemTitle, std::int32_t count,
                   const std::function<DeliveredRecord(const StockCard&)>& recordFor,
                   std::string_view orderNumber = {});

    // 配置: the value of the first record with this name; nullopt when the table cannot be
    // opened or holds no such record. Writing never adds a record.
    std::optional<std::string> ReadSetting(std::string_view name) const;
    bool WriteSetting(std::string_view name, std::string_view value);

  private:
    std::filesystem::path m_directory;
};

} // namespace quorvel::data
