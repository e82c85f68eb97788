// QUORVEL_HOST_MAP="host=addr:port,host=addr:port": routes connections for those hosts to other
// addresses while the URL and the Host header stay as they are. Tests and the demo shop only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::web {

struct HostRoute {
    std::string host;
    std::string address;
    std::uint16_t port = 0;
};

// nullopt with `error` filled when the text is malformed.
std::optional<std::vector<HostRoute>> ParseHostMap(std::string_view text, std::string* error);

// The map of QUORVEL_HOST_MAP, read once. A malformed map is reported on standard error and the
// process ends with exit code 2: never a silent fallback to the real host.
const std::vector<HostRoute>& ActiveHostMap();

// Chromium's --host-resolver-rules value for the same map ("MAP host addr:port, ...").
std::string HostResolverRules(const std::vector<HostRoute>& routes);

} // namespace quorvel::web
