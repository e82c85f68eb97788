// One order of the to-ship list, as the order list reader pairs it from the page.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel::delivery {

// Texts are GBK bytes exactly as they stand on the page (after the em dash clean-up).
struct OrderEntry {
    std::string orderNumber;
    std::string itemTitle;
    float amount = 0.0f; // unit price times quantity; informative only
    std::int32_t quantity = 0;
    std::int32_t status = 2; // 2: waiting for shipment, the only status the list holds
    std::string buyerNick;
    std::string orderId;
    bool operator==(const OrderEntry&) const = default;
};

} // namespace quorvel::delivery
