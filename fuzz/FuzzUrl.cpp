// The address helpers, TextBetween and the host map on arbitrary bytes: no crash, results that
// are pieces of their input, and a well-formed address read back exactly.
#include "FuzzCheck.h"

#include "web/HostMap.h"
#include "web/HttpFetch.h"

#include "text/Gbk.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using namespace quorvel;

bool HasUpperAsciiChar(std::string_view s) {
    const auto boundary = fuzz::BoundaryMap(s);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (boundary[i] && boundary[i + 1] && s[i] >= 'A' && s[i] <= 'Z') {
            return true;
        }
    }
    return false;
}

void CheckAnyUrl(std::string_view url) {
    const std::string host = web::UrlHost(url, false);
    const std::string hostPort = web::UrlHost(url, true);
    FUZZ_CHECK(!HasUpperAsciiChar(host));
    FUZZ_CHECK(fuzz::IsPrefix(hostPort, host));
    FUZZ_CHECK(text::Find(hostPort, "/") == text::npos);
    FUZZ_CHECK(text::Find(host, ":") == text::npos);
    const std::string path = web::UrlPath(url);
    FUZZ_CHECK(!path.empty() && path.front() == '/');
    FUZZ_CHECK(path == "/" || url.ends_with(path));
    (void)web::UrlPort(url);
}

void CheckBetween(std::string_view t, std::string_view start, std::string_view end) {
    const std::string between = web::TextBetween(t, start, end);
    FUZZ_CHECK(between.empty() || t.find(between) != std::string_view::npos);
    if (!between.empty()) {
        FUZZ_CHECK(t.find(std::string(start) + between + std::string(end)) !=
                   std::string_view::npos);
    }
    if (start.empty() && end.empty()) {
        FUZZ_CHECK(between == t);
    }
    if (!start.empty() && text::Find(t, start) == text::npos) {
        FUZZ_CHECK(between.empty());
    }
}

// host[:port]/path built from parts, read back part by part.
void CheckBuiltUrl(FuzzedDataProvider& in) {
    std::string host;
    const std::string raw = in.ConsumeRandomLengthString(24);
    for (const char c : raw) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '-') {
            host.push_back(c);
        }
    }
    if (host.empty()) {
        host = "h";
    }
    const bool withPort = in.ConsumeBool();
    const auto port = in.ConsumeIntegralInRange<std::int32_t>(1, 65535);
    std::string path = "/" + in.ConsumeRandomLengthString(64);
    const std::string url = "http://" + host + (withPort ? ":" + std::to_string(port) : "") + path;
    const std::string lower = text::ToLowerAscii(host);
    FUZZ_CHECK(web::UrlHost(url, false) == lower);
    FUZZ_CHECK(web::UrlHost(url, true) == lower + (withPort ? ":" + std::to_string(port) : ""));
    FUZZ_CHECK(web::UrlPort(url) == (withPort ? port : 80));
    FUZZ_CHECK(web::UrlPath(url) == path);
}

void CheckHostMap(std::string_view mapText) {
    std::string error;
    const auto routes = web::ParseHostMap(mapText, &error);
    if (!routes) {
        FUZZ_CHECK(!error.empty());
        return;
    }
    // A map that was accepted is written back and read again unchanged.
    std::string again;
    for (const auto& r : *routes) {
        FUZZ_CHECK(!r.host.empty() && !r.address.empty() && r.port != 0);
        again +=
            (again.empty() ? "" : ",") + r.host + "=" + r.address + ":" + std::to_string(r.port);
    }
    const auto reread = web::ParseHostMap(again, nullptr);
    FUZZ_CHECK(reread && reread->size() == routes->size());
    for (std::size_t i = 0; i < routes->size(); ++i) {
        FUZZ_CHECK((*reread)[i].host == (*routes)[i].host);
        FUZZ_CHECK((*reread)[i].address == (*routes)[i].address);
        FUZZ_CHECK((*reread)[i].port == (*routes)[i].port);
    }
    (void)web::HostResolverRules(*routes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string start = in.ConsumeRandomLengthString(8);
    const std::string end = in.ConsumeRandomLengthString(8);
    const std::string url = in.ConsumeRandomLengthString(512);
    CheckAnyUrl(url);
    CheckBetween(url, start, end);
    CheckBetween(url, "", end);
    CheckBetween(url, start, "");
    CheckBetween(url, "=", ";");
    CheckHostMap(url);
    CheckBuiltUrl(in);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    CheckAnyUrl(rest);
    CheckHostMap(rest);
    return 0;
}
