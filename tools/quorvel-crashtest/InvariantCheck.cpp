#include "InvariantCheck.h"

#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/TableLock.h"
#include "data/Tables.h"
#include "text/Gbk.h"
#include "text/Texts.h"

#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

namespace quorvel::crashtest {

namespace fs = std::filesystem;

namespace {

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::vector<std::string> Tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

// Readable enough for a report: ASCII as is, other bytes as \xNN.
std::string Show(const std::string& s) {
    std::string out;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        }
    }
    return out;
}

// The card numbers a delivery message lists: each "卡号：" up to the " 卡密：" after it.
std::vector<std::string> KeysOfMessage(std::string_view message) {
    std::vector<std::string> numbers;
    const std::string_view label = text::kDeliveryCardNumber.gbk;
    const std::string_view passwordLabel = text::kDeliveryCardPassword.gbk;
    for (std::size_t at = text::Find(message, label); at != text::npos;) {
        const std::size_t start = at + label.size();
        const std::size_t end = text::Find(message, passwordLabel, start);
        if (end == text::npos) {
            break;
        }
        numbers.emplace_back(message.substr(start, end - start));
        at = text::Find(message, label, end);
    }
    return numbers;
}

struct StockRow {
    std::string item, number, password;
    bool marked = false; // deleted by the seller, not yet purged: still in the file
};

// Every stock record, marked ones included (they are still in the file, so still in stock).
std::optional<std::vector<StockRow>> ReadWholeStock(const fs::path& dir) {
    std::lock_guard lock(data::TableLock());
    auto table = data::RecordTable::Open(data::TableFile(dir, data::TableId::Stock));
    if (!table) {
        return std::nullopt;
    }
    std::vector<StockRow> rows;
    const bool ok = table->ForEachRecord([&](const data::RecordView& r) {
        rows.push_back({r.values.size() > 0 ? r.values[0] : "",
                        r.values.size() > 1 ? r.values[1] : "",
                        r.values.size() > 2 ? r.values[2] : "", r.marked});
    });
    if (!ok) {
        return std::nullopt;
    }
    return rows;
}

class Checker {
  public:
    Checker(const Ledger& ledger, CheckResult& result) : m_ledger(ledger), m_result(result) {}

    void fail(const std::string& what) { m_result.violations.push_back(what); }

    void tablesOpen(const fs::path& dir) {
        std::lock_guard lock(data::TableLock());
        for (const data::TableId id : data::kAllTables) {
            std::string why;
            if (!data::RecordTable::Open(data::TableFile(dir, id), &why)) {
                fail("table file " + data::TableFile(dir, id).filename().string() +
                     " no longer opens: " + why);
            }
        }
    }

    void stock(const std::vector<StockRow>& rows) {
        for (const auto& row : rows) {
            const auto known = m_ledger.cards.find(row.number);
            if (known == m_ledger.cards.end()) {
                fail("stock holds a key that never entered it: " + Show(row.number));
                continue;
            }
            if (known->second.item != row.item || known->second.password != row.password) {
                fail("stock key " + Show(row.number) + " changed item or password");
            }
            ++(row.marked ? m_markedInStock : m_inStock)[row.number];
        }
        m_result.cardsInStock = rows.size();
    }

    void delivered(const std::vector<data::DeliveredRecord>& records) {
        for (const auto& r : records) {
            ++m_delivered[r.cardNumber];
            ++m_perOrder[r.orderNumber];
            const auto order = m_ledger.orders.find(r.orderNumber);
            const auto card = m_ledger.cards.find(r.cardNumber);
            if (card == m_ledger.cards.end()) {
                fail("delivered record of order " + Show(r.orderNumber) +
                     " holds a key that never was in stock: " + Show(r.cardNumber));
                continue;
            }
            if (order == m_ledger.orders.end()) {
                fail("key " + Show(r.cardNumber) + " recorded for an unknown order " +
                     Show(r.orderNumber));
                continue;
            }
            const KnownOrder& o = order->second;
            if (r.buyerNick != o.buyer) {
                fail("key " + Show(r.cardNumber) + " of order " + Show(o.number) +
                     " recorded for buyer " + Show(r.buyerNick) + " instead of " + Show(o.buyer));
            }
            if (r.itemName != o.item || card->second.item != o.item) {
                fail("key " + Show(r.cardNumber) + " of item " + Show(card->second.item) +
                     " went to order " + Show(o.number) + " of item " + Show(o.item));
            }
            if (r.cardPassword != card->second.password) {
                fail("key " + Show(r.cardNumber) + " recorded with another password");
            }
            if (r.quantity != std::to_string(o.quantity)) {
                fail("order " + Show(o.number) + " recorded with quantity " + Show(r.quantity));
            }
        }
        m_result.cardsDelivered = records.size();
    }

    void everyKeyOnce() {
        for (const auto& [number, card] : m_ledger.cards) {
            const int inStock = count(m_inStock, number);
            const int marked = count(m_markedInStock, number);
            const int delivered = count(m_delivered, number);
            if (m_ledger.uncertain.count(number) != 0) {
                if (inStock + marked + delivered > 1) {
                    fail("key " + Show(number) + " cut off by a kill: " + std::to_string(inStock) +
                         " in stock, " + std::to_string(delivered) + " delivered");
                }
                continue;
            }
            if (m_ledger.deletedBySeller.count(number) != 0) {
                if (inStock != 0 || marked + delivered > 1) {
                    fail("deleted key " + Show(number) + ": " + std::to_string(inStock) +
                         " in stock, " + std::to_string(delivered) + " delivered");
                }
                continue;
            }
            if (inStock + marked + delivered != 1) {
                fail("key " + Show(number) + ": " + std::to_string(inStock) + " in stock, " +
                     std::to_string(delivered) + " delivered (must be exactly once in all)");
            }
        }
    }

    void orders() {
        for (const auto& [number, o] : m_ledger.orders) {
            const int records = count(m_perOrder, number);
            if (!o.deliverable && records != 0) {
                fail("order " + Show(number) + " must get no keys and has " +
                     std::to_string(records));
            } else if (records > o.quantity) {
                fail("order " + Show(number) + " has " + std::to_string(records) +
                     " records for quantity " + std::to_string(o.quantity) + " (allotted twice)");
            } else if (records != 0 && records != o.quantity) {
                fail("order " + Show(number) + " has " + std::to_string(records) +
                     " records for quantity " + std::to_string(o.quantity) + " (partial)");
            }
            if (records != 0) {
                ++m_result.ordersWithRecords;
            } else if (o.deliverable) {
                ++m_result.ordersWaiting;
            }
        }
    }

    void shipments(const std::vector<Consignment>& consignments) {
        std::map<std::string, int> shipped;
        for (const auto& c : consignments) {
            const auto order = m_ledger.orders.find(c.tradeId);
            if (order == m_ledger.orders.end()) {
                fail("consignment for an unknown order " + Show(c.tradeId));
                continue;
            }
            if (++shipped[c.tradeId] == 2) {
                fail("order " + Show(c.tradeId) + " consigned twice");
            }
            if (m_messagedOrders.count(c.tradeId) == 0) {
                fail("order " + Show(c.tradeId) + " shipped but its keys never reached the buyer");
            }
            if (count(m_perOrder, c.tradeId) != order->second.quantity) {
                fail("order " + Show(c.tradeId) + " shipped with " +
                     std::to_string(count(m_perOrder, c.tradeId)) + " of " +
                     std::to_string(order->second.quantity) + " records");
            }
        }
        m_result.ordersShipped = shipped.size();
        for (const auto& [number, records] : m_perOrder) {
            if (records > 0 && shipped.count(number) == 0) {
                ++m_result.ordersRecordedNotShipped;
            }
        }
    }

    void messages(const std::vector<SentMessage>& sent,
                  const std::vector<data::DeliveredRecord>& records) {
        std::map<std::string, const data::DeliveredRecord*> byKey;
        for (const auto& r : records) {
            byKey[r.cardNumber] = &r;
        }
        std::map<std::string, int> messaged;
        for (const auto& m : sent) {
            std::string order;
            int keys = 0;
            for (const std::string& number : KeysOfMessage(m.text)) {
                const auto found = byKey.find(number);
                if (found == byKey.end()) {
                    fail("key " + Show(number) + " was sent to " + Show(m.buyer) +
                         " without a delivered record");
                    continue;
                }
                const data::DeliveredRecord* record = found->second;
                ++keys;
                if (++messaged[number] == 2) {
                    fail("key " + Show(number) + " was sent in two messages");
                }
                if (record->buyerNick != m.buyer) {
                    fail("key " + Show(number) + " of buyer " + Show(record->buyerNick) +
                         " was sent to " + Show(m.buyer));
                }
                if (!order.empty() && order != record->orderNumber) {
                    fail("one message lists keys of orders " + Show(order) + " and " +
                         Show(record->orderNumber));
                }
                order = record->orderNumber;
            }
            if (!order.empty()) {
                m_messagedOrders.insert(order);
            }
            const auto o = m_ledger.orders.find(order);
            if (o != m_ledger.orders.end() && keys != o->second.quantity) {
                fail("message for order " + Show(order) + " lists " + std::to_string(keys) +
                     " of " + std::to_string(o->second.quantity) + " keys");
            }
        }
    }

  private:
    static int count(const std::map<std::string, int>& m, const std::string& key) {
        const auto it = m.find(key);
        return it == m.end() ? 0 : it->second;
    }

    const Ledger& m_ledger;
    CheckResult& m_result;
    std::map<std::string, int> m_inStock;
    std::map<std::string, int> m_markedInStock;
    std::map<std::string, int> m_delivered;
    std::map<std::string, int> m_perOrder;
    std::set<std::string> m_messagedOrders;
};

} // namespace

CheckResult CheckInvariants(const fs::path& dataDirectory, const Ledger& ledger,
                            const std::vector<Consignment>& consignments,
                            const std::vector<SentMessage>& messages) {
    CheckResult result;
    Checker check(ledger, result);
    check.tablesOpen(dataDirectory);
    const auto stock = ReadWholeStock(dataDirectory);
    const auto records = data::Tables(dataDirectory).ReadDeliveredRecords();
    if (!stock || !records) {
        check.fail("the stock or the delivered records cannot be read");
        return result;
    }
    check.stock(*stock);
    check.delivered(*records);
    check.everyKeyOnce();
    check.orders();
    check.messages(messages, *records);
    check.shipments(consignments);
    return result;
}

std::vector<Consignment> ParseConsignments(const std::string& adminText) {
    std::vector<Consignment> out;
    std::istringstream in(adminText);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            continue;
        }
        const auto fields = Tabs(line);
        const std::string query = fields[0];
        const auto at = query.find("trade_id=");
        const auto end = query.find('&', at);
        Consignment c;
        if (at != std::string::npos) {
            c.tradeId = query.substr(at + 9, end == std::string::npos ? end : end - at - 9);
        }
        c.tookOrder = fields.size() > 2 && fields[2] == "1";
        out.push_back(c);
    }
    return out;
}

std::string MessageLogLine(const std::string& buyer, const std::string& text) {
    return Hex(buyer) + "\t" + Hex(text) + "\n";
}

std::vector<SentMessage> ReadMessageLog(const fs::path& file) {
    std::vector<SentMessage> out;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const auto fields = Tabs(line);
        if (fields.size() == 2) {
            out.push_back({Unhex(fields[0]), Unhex(fields[1])});
        }
    }
    return out;
}

} // namespace quorvel::crashtest
