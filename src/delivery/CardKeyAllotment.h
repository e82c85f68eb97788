// Takes an order's card keys out of the stock, records each delivered key and composes the
// text that lists them for the buyer.
#pragma once

#include "data/Records.h"
#include "data/Tables.h"
#include "delivery/LocalClock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::delivery {

// The buyer's text for a set of keys: head line, an empty line, one line per key.
std::string DeliveryText(std::string_view itemTitle, const std::vector<data::StockCard>& cards);

// 发货时间 of a delivered record.
std::string DeliveryTimeText(const LocalTime& time);

class CardKeyAllotment {
  public:
    // REQUIRES: `tables` outlives the allotment.
    CardKeyAllotment(data::Tables& tables, Clock clock);

    // All or nothing: when the stock holds at least `quantity` keys of the item, the first
    // `quantity` of them (file order) leave the stock and one delivered record per key is
    // written, in one transaction, and the text listing them is returned. Otherwise (short
    // stock, quantity < 1, a table that cannot be opened or written) nothing changes and the
    // answer is nullopt.
    std::optional<std::string> ComposeDelivery(std::string_view orderNumber,
                                               std::string_view itemTitle,
                                               std::string_view buyerNick, std::int32_t quantity);

    // One key for one order: the card leaves the stock and its record (购买数量 = quantity) is
    // written in the same transaction, or nothing happens.
    std::optional<data::StockCard> TakeStockCard(std::string_view orderNumber,
                                                 std::string_view itemTitle,
                                                 std::string_view buyerNick, std::int32_t quantity);

    bool AppendDeliveredRecord(const data::DeliveredRecord& record);

  private:
    std::optional<std::vector<data::StockCard>> take(std::string_view orderNumber,
                                                     std::string_view itemTitle,
                                                     std::string_view buyerNick,
                                                     std::int32_t quantity, std::int32_t count);

    data::Tables& m_tables;
    Clock m_clock;
};

} // namespace quorvel::delivery
