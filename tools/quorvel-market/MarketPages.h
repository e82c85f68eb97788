// The pages of the simulated marketplace, as GBK bytes in the markup the system reads.
#pragma once

#include "MarketState.h"

#include <string>
#include <vector>

namespace quorvel::market {

// The to-ship list: per order a number span, a buyer nick span, a title link, a total block
// framed by CR LF and the exact run of blanks and tabs, a status and a consignment link.
std::string OrderListPage(const std::vector<MarketOrder>& orders);
// The logistics and member pages when no session cookie came with the request.
std::string VisitorLoginPage();
// The login host's form, showing the demo credentials; `failed` adds an error line.
std::string LoginFormPage(const Settings& settings, bool failed);
std::string MyTaobaoPage(const Settings& settings);
std::string BaseInfoPage(const Settings& settings);
std::string ConsignedPage(bool matched);

} // namespace quorvel::market
