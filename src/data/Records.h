// The records of the four tables. Every field is a GBK text on disk; the in-memory forms
// below decode the two that are not plain texts (限拍件数, 是否需要卡密信息).
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::data {

// 监控宝贝: 宝贝名称, 宝贝备注, 限拍件数, 是否需要卡密信息.
struct WatchedItem {
    std::string name;
    std::string note;
    std::int32_t purchaseLimit = 0; // stored as decimal text, read by the text-to-integer rule
    bool needsCards = true;         // stored as "真"/"假"; "是" or "真" read as yes
    bool operator==(const WatchedItem&) const = default;
};

// 库存卡密: 宝贝名称, 宝贝卡号, 宝贝卡密.
struct StockCard {
    std::string itemName;
    std::string cardNumber;
    std::string cardPassword;
    std::int32_t recordNumber = 0; // 1-based position in file order when read; 0 otherwise
    std::int64_t id = 0;           // stable id, never reused; 0 for a card not yet stored
};

// 已发卡密: 宝贝名称, 订单编号, 买家旺旺, 购买数量, 已发卡号, 已发卡密, 已发备注, 发货时间.
// Kept as the stored texts so that the delivered grid shows each value exactly as stored.
struct DeliveredRecord {
    std::string itemName;
    std::string orderNumber;
    std::string buyerNick;
    std::string quantity;
    std::string cardNumber;
    std::string cardPassword;
    std::string remark;
    std::string deliveredAt;
    bool operator==(const DeliveredRecord&) const = default;
};

} // namespace quorvel::data
