// Request dispatch of the simulated marketplace: the hosts are told apart by the Host header,
// so every host can share one port (the host map routes the real names to it).
#pragma once

#include "MarketState.h"

#include <httplib.h>

namespace quorvel::market {

inline constexpr const char* kSessionCookie = "_quorvel_session";

void HandleRequest(MarketState& state, bool tls, const httplib::Request& request,
                   httplib::Response& response);

} // namespace quorvel::market
