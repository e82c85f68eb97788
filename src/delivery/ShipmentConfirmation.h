// Marks one order shipped on the marketplace: the no-logistics consignment form.
#pragma once

#include "delivery/FetchPort.h"
#include "delivery/OrderEntry.h"

namespace quorvel::delivery {

// Posts the constant form body to the order's consignment address (order number and order id
// inserted as they are). True when a response arrived; what it says is not examined.
bool ShipmentConfirmation(const OrderEntry& order, const Fetch& fetch);

} // namespace quorvel::delivery
