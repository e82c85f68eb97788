// UrlHost, UrlPath, UrlPort and TextBetween: byte searches that step over GBK characters.
#include "web/HttpFetch.h"

#include "text/Gbk.h"

namespace quorvel::web {

namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr std::string_view kHttpsScheme = "https://";

struct HostSpan {
    std::size_t start = 0;
    bool https = false;
};

// Where the host begins: after "http://" when present, else after "https://", else at 0.
HostSpan findHostStart(std::string_view url) {
    if (const auto at = text::Find(url, kHttpScheme); at != text::npos) {
        return {at + kHttpScheme.size(), false};
    }
    if (const auto at = text::Find(url, kHttpsScheme); at != text::npos) {
        return {at + kHttpsScheme.size(), true};
    }
    return {};
}

} // namespace

std::string UrlHost(std::string_view url, bool keepPort) {
    const HostSpan span = findHostStart(url);
    const auto slash = text::Find(url, "/", span.start);
    std::string_view host =
        url.substr(span.start, slash == text::npos ? text::npos : slash - span.start);
    if (!keepPort) {
        host = host.substr(0, text::Find(host, ":"));
    }
    return text::ToLowerAscii(host);
}

std::string UrlPath(std::string_view url) {
    // The host is searched from where it begins, so a host that also occurs inside the scheme
    // ("http://h/") cannot pull the path start forward.
    const HostSpan span = findHostStart(url);
    const std::string host = UrlHost(url, false);
    auto at = text::FindNoCase(url, host, span.start);
    if (at == text::npos) {
        at = span.start;
    }
    const auto slash = text::Find(url, "/", at);
    if (slash == text::npos) {
        return "/";
    }
    return std::string(url.substr(slash));
}

std::int32_t UrlPort(std::string_view url) {
    const std::string host = UrlHost(url, true);
    const auto colon = text::Find(host, ":");
    if (colon == text::npos) {
        return findHostStart(url).https ? 443 : 80;
    }
    return text::TextToInt(std::string_view(host).substr(colon + 1));
}

std::string TextBetween(std::string_view text, std::string_view start, std::string_view end) {
    std::size_t from = 0;
    if (!start.empty()) {
        const auto at = text::Find(text, start);
        if (at == text::npos) {
            return {};
        }
        from = at + start.size();
    }
    if (end.empty()) {
        return std::string(text.substr(from));
    }
    const auto stop = text::Find(text, end, from);
    if (stop == text::npos) {
        return {};
    }
    return std::string(text.substr(from, stop - from));
}

} // namespace quorvel::web
