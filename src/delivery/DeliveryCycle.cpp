#include "delivery/DeliveryCycle.h"

#include "delivery/ShipmentConfirmation.h"
#include "text/Texts.h"

#include <memory>
#include <optional>
#include <utility>

namespace quorvel::delivery {

std::string_view OutcomeName(OrderOutcome outcome) {
    switch (outcome) {
    case OrderOutcome::Delivered:
        return "delivered";
    case OrderOutcome::NotWaiting:
        return "not waiting for shipment";
    case OrderOutcome::AlreadyDelivered:
        return "already delivered";
    case OrderOutcome::NotWatched:
        return "item not watched";
    case OrderOutcome::BadQuantity:
        return "quantity below 1";
    case OrderOutcome::NoSellerNick:
        return "seller nickname unreadable";
    case OrderOutcome::NotAllotted:
        return "not enough keys in stock";
    case OrderOutcome::MessageFailed:
        return "message not handed over";
    case OrderOutcome::DeliveredTableUnavailable:
        return "delivered table unavailable";
    }
    return "?";
}

DeliveryPorts StandardDeliveryPorts(const CompiledPatterns& patterns, data::Tables& tables,
                                    NotifierPort& notifier, Fetch fetch) {
    DeliveryPorts ports;
    // One reader for every pass: it keeps the last page and its match lists. Passes never
    // overlap, so it has one user at a time.
    auto reader = std::make_shared<OrderListReader>(patterns, fetch);
    ports.readOrders = [reader] {
        std::vector<OrderEntry> orders;
        reader->Read(orders);
        return orders;
    };
    ports.tables = &tables;
    ports.notifier = &notifier;
    ports.confirmShipment = [fetch](const OrderEntry& order) {
        return ShipmentConfirmation(order, fetch);
    };
    ports.clock = SystemClock();
    return ports;
}

std::string DeliveryMessage(std::string_view deliveryText) {
    std::string message(deliveryText);
    message.append(text::kDeliveryClosing.gbk);
    return message;
}

namespace {

// The tests before anything is fetched or taken, in their fixed order.
std::optional<OrderOutcome> screen(const OrderEntry& order, const data::Tables& tables) {
    if (order.status != 2)
        return OrderOutcome::NotWaiting;
    const std::optional<bool> delivered = tables.IsOrderDelivered(order.orderNumber);
    if (!delivered)
        return OrderOutcome::DeliveredTableUnavailable;
    if (*delivered)
        return OrderOutcome::AlreadyDelivered;
    if (tables.IsItemWatched(order.itemTitle).value_or(false) == false)
        return OrderOutcome::NotWatched;
    if (order.quantity < 1)
        return OrderOutcome::BadQuantity;
    return std::nullopt;
}

} // namespace

PassReport RunDeliveryPass(const DeliveryPorts& ports) {
    PassReport report;
    const std::vector<OrderEntry> orders = ports.readOrders();
    CardKeyAllotment allotment(*ports.tables, ports.clock);
    for (const OrderEntry& order : orders) {
        OrderReport entry{order, OrderOutcome::Delivered};
        if (const auto skip = screen(order, *ports.tables)) {
            entry.outcome = *skip;
            report.orders.push_back(std::move(entry));
            // Without 已发卡密 no order can be known undelivered: deliver nothing at all.
            if (*skip == OrderOutcome::DeliveredTableUnavailable)
                break;
            continue;
        }
        const std::string sellerNick = ports.notifier->FetchSellerNick();
        if (sellerNick.empty()) {
            entry.outcome = OrderOutcome::NoSellerNick;
            report.orders.push_back(std::move(entry));
            continue;
        }
        const auto text = allotment.ComposeDelivery(order.orderNumber, order.itemTitle,
                                                    order.buyerNick, order.quantity);
        if (!text) {
            entry.outcome = OrderOutcome::NotAllotted;
            report.orders.push_back(std::move(entry));
            continue;
        }
        report.tablesChanged = true;
        if (!ports.notifier->SendChatMessage(sellerNick, order.buyerNick, DeliveryMessage(*text))) {
            // The keys stay recorded under the order, so later passes skip it; the order stays
            // waiting for shipment on the marketplace, where the seller sees it.
            entry.outcome = OrderOutcome::MessageFailed;
            report.orders.push_back(std::move(entry));
            continue;
        }
        entry.shipmentAnswered = ports.confirmShipment(order);
        ++report.delivered;
        report.orders.push_back(std::move(entry));
    }
    return report;
}

} // namespace quorvel::delivery
