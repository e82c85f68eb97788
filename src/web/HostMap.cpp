#include "web/HostMap.h"

#include "text/Gbk.h"

#include <cstdio>
#include <cstdlib>

namespace quorvel::web {

namespace {

bool isHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool isHostName(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (const char c : s) {
        if (!isHostChar(c)) {
            return false;
        }
    }
    return true;
}

// "addr" is a host name, an IPv4 address or a bracketed IPv6 address.
bool isAddress(std::string_view s) {
    if (s.size() > 2 && s.front() == '[' && s.back() == ']') {
        return s.substr(1, s.size() - 2).find_first_not_of("0123456789abcdefABCDEF:.") ==
               std::string_view::npos;
    }
    return isHostName(s);
}

std::optional<std::uint16_t> parsePort(std::string_view s) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const long value = std::strtol(std::string(s).c_str(), nullptr, 10);
    if (value < 1 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<HostRoute> parseEntry(std::string_view entry, std::string* error) {
    const auto fail = [&](const char* why) -> std::optional<HostRoute> {
        if (error != nullptr) {
            *error =
                "entry \"" + std::string(entry) + "\": " + why + " (expected host=address:port)";
        }
        return std::nullopt;
    };
    const auto equals = entry.find('=');
    if (equals == std::string_view::npos) {
        return fail("no '='");
    }
    const std::string_view host = text::TrimBlanks(entry.substr(0, equals));
    const std::string_view target = text::TrimBlanks(entry.substr(equals + 1));
    if (!isHostName(host)) {
        return fail("bad host name");
    }
    const auto colon = target.rfind(':');
    if (colon == std::string_view::npos) {
        return fail("no port");
    }
    const std::string_view address = target.substr(0, colon);
    if (!isAddress(address)) {
        return fail("bad address");
    }
    const auto port = parsePort(target.substr(colon + 1));
    if (!port) {
        return fail("port is not a number from 1 to 65535");
    }
    return HostRoute{text::ToLowerAscii(host), std::string(address), *port};
}

} // namespace

std::optional<std::vector<HostRoute>> ParseHostMap(std::string_view text, std::string* error) {
    std::vector<HostRoute> routes;
    if (text::TrimBlanks(text).empty()) {
        return routes;
    }
    std::size_t pos = 0;
    while (pos <= text.size()) {
        auto comma = text.find(',', pos);
        if (comma == std::string_view::npos) {
            comma = text.size();
        }
        auto route = parseEntry(text.substr(pos, comma - pos), error);
        if (!route) {
            return std::nullopt;
        }
        for (const HostRoute& seen : routes) {
            if (seen.host == route->host) {
                if (error != nullptr) {
                    *error = "host \"" + route->host + "\" is mapped twice";
                }
                return std::nullopt;
            }
        }
        routes.push_back(std::move(*route));
        pos = comma + 1;
    }
    return routes;
}

const std::vector<HostRoute>& ActiveHostMap() {
    static const std::vector<HostRoute> routes = [] {
        const char* raw = std::getenv("QUORVEL_HOST_MAP");
        std::string error;
        auto parsed = ParseHostMap(raw != nullptr ? raw : "", &error);
        if (!parsed) {
            std::fprintf(stderr, "quorvel: QUORVEL_HOST_MAP is malformed: %s\n", error.c_str());
            std::exit(2);
        }
        return std::move(*parsed);
    }();
    return routes;
}

std::string HostResolverRules(const std::vector<HostRoute>& routes) {
    std::string rules;
    for (const HostRoute& route : routes) {
        if (!rules.empty()) {
            rules.append(", ");
        }
        rules.append("MAP ")
            .append(route.host)
            .append(" ")
            .append(route.address)
            .append(":")
            .append(std::to_string(route.port));
    }
    return rules;
}

} // namespace quorvel::web
