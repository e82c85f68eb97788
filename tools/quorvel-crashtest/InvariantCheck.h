// The promises about card keys, checked from outside on the table files and on what the
// marketplace and the buyers saw:
//   - every card key that entered the stock is now in the stock or in 已发卡密, exactly once
//     (a key the seller deleted is in neither, or delivered once before the deletion);
//   - no key appears that never entered the stock;
//   - an order has no records or exactly its quantity of records, all for its buyer and item,
//     each key from that item's stock; never more (no order allotted twice);
//   - every order the marketplace saw shipped has all its records; none is shipped twice;
//   - every message a buyer got lists only keys recorded for that buyer's order, all of them,
//     and no key reaches two messages;
//   - every table file still opens.
// Used by quorvel-crashtest after each kill and by the reliability tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quorvel::crashtest {

// Texts are GBK bytes as stored.
struct KnownCard {
    std::string item;
    std::string number;
    std::string password;
};

struct KnownOrder {
    std::string number;
    std::string id;
    std::string item; // the title as the reader yields it (entities cleaned)
    std::string buyer;
    std::int32_t quantity = 0;
    bool deliverable = true; // false: unwatched item or quantity below 1, never to get keys
};

struct Ledger {
    std::map<std::string, KnownCard> cards; // by card number; numbers are unique
    std::set<std::string> deletedBySeller;  // card numbers the seller removed from the stock
    // Keys whose add or delete was cut off by a kill: each is in one place or in none.
    std::set<std::string> uncertain;
    std::map<std::string, KnownOrder> orders; // by order number
};

struct Consignment {
    std::string tradeId;
    bool tookOrder = false;
};

struct SentMessage {
    std::string buyer;
    std::string text;
};

struct CheckResult {
    std::vector<std::string> violations;
    std::size_t cardsInStock = 0;
    std::size_t cardsDelivered = 0;
    std::size_t ordersWithRecords = 0;
    std::size_t ordersShipped = 0;
    std::size_t ordersRecordedNotShipped = 0; // keys recorded, consignment never arrived
    std::size_t ordersWaiting = 0;            // deliverable, no records yet
};

CheckResult CheckInvariants(const std::filesystem::path& dataDirectory, const Ledger& ledger,
                            const std::vector<Consignment>& consignments,
                            const std::vector<SentMessage>& messages);

// Parses quorvel-market's /admin/consignments answer.
std::vector<Consignment> ParseConsignments(const std::string& adminText);

// The message log the crash worker writes: one line per message, hex(buyer) TAB hex(text).
std::string MessageLogLine(const std::string& buyer, const std::string& text);
std::vector<SentMessage> ReadMessageLog(const std::filesystem::path& file);

} // namespace quorvel::crashtest
