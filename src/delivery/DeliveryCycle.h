// One delivery pass: read the to-ship list, and for each due order take its keys, tell the
// buyer and mark the order shipped. Qt-free; the window runs it through DeliveryScheduler.
#pragma once

#include "data/Tables.h"
#include "delivery/CardKeyAllotment.h"
#include "delivery/FetchPort.h"
#include "delivery/LocalClock.h"
#include "delivery/NotifierPort.h"
#include "delivery/OrderEntry.h"
#include "delivery/OrderListReader.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvel::delivery {

// What became of one order of the list.
enum class OrderOutcome {
    Delivered,        // keys taken, message handed over, consignment posted
    NotWaiting,       // status other than 2
    AlreadyDelivered, // its order number is in 已发卡密
    NotWatched,       // title not in 监控宝贝 (or that table cannot be opened)
    BadQuantity,      // quantity 0 or less
    NoSellerNick,     // the seller's nickname could not be read: nothing taken
    NotAllotted,      // fewer keys in stock than the quantity, or a table failed: nothing taken
    MessageFailed,    // keys taken and recorded, message not handed over: not marked shipped
    DeliveredTableUnavailable, // 已发卡密 cannot be opened: the pass stopped here
};

std::string_view OutcomeName(OrderOutcome outcome);

struct OrderReport {
    OrderEntry order;
    OrderOutcome outcome;
    bool shipmentAnswered = false; // the consignment got a response (Delivered only)
};

struct PassReport {
    std::vector<OrderReport> orders; // in list order; orders after a stop are not listed
    bool tablesChanged = false;      // some keys left the stock: the lists need a refresh
    int delivered = 0;
};

// What a pass reaches. Tests hand in fakes for the network and the IM client only.
struct DeliveryPorts {
    std::function<std::vector<OrderEntry>()> readOrders;
    data::Tables* tables = nullptr;
    NotifierPort* notifier = nullptr;
    std::function<bool(const OrderEntry&)> confirmShipment;
    Clock clock;
};

// The production wiring: the reader and the consignment on `fetch`, the system clock.
// REQUIRES: patterns, tables and notifier outlive every pass run with the ports.
DeliveryPorts StandardDeliveryPorts(const CompiledPatterns& patterns, data::Tables& tables,
                                    NotifierPort& notifier, Fetch fetch);

// The message sent to the buyer: the delivery text and the closing line.
std::string DeliveryMessage(std::string_view deliveryText);

// Runs one pass to its end. Never throws for a failed step; reports what it did.
PassReport RunDeliveryPass(const DeliveryPorts& ports);

} // namespace quorvel::delivery
