// The one HTTP request operation outside the login browser. One libcurl transfer per call on
// a fresh handle; the time-out is libcurl's own, so no thread is ever killed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quorvel::web {

// Texts are GBK byte strings.
struct HttpFetchRequest {
    std::string url;            // absolute http:// (or https://) address
    std::string method;         // "GET" or "POST" ignoring case; empty means GET
    std::string postData;       // form body, already URL-encoded
    std::string cookieText;     // "a=1; b=2" for the Cookie line
    bool wantCookies = false;   // fill responseCookies
    std::string proxy;          // host:port; empty means direct
    std::int32_t timeoutSeconds = 0; // whole request; 0 means 90
    bool pumpMessages = false;  // call the installed message pump while waiting
    std::string extraHeaders;   // header lines, each ending in "\r\n"
    std::string userName;
    std::string password;
    bool wantHeaders = false;   // fill responseHeaders
    bool useCookieStore = false; // store adds its cookies even with cookieText; response cookies stored
};

struct HttpFetchResult {
    std::string body;            // empty when the request failed or timed out
    std::string responseHeaders; // raw header block, status line first, "\r\n" separated
    std::string responseCookies; // collected name=value pairs, "; " separated
};

// Blocks until the request has finished or timed out. Thread-safe.
HttpFetchResult HttpFetch(const HttpFetchRequest& request);

// The callback HttpFetch calls while it waits when a request sets pumpMessages. Install once
// at start-up (the UI installs its event pump); an empty function removes it.
void SetMessagePump(std::function<void()> pump);

// Address helpers; searches step over double-byte characters.
std::string UrlHost(std::string_view url, bool keepPort);
std::string UrlPath(std::string_view url);
std::int32_t UrlPort(std::string_view url);

// The cookie pairs a response header block sets, as responseCookies gives them: for each line
// holding "Set-Cookie" whose text between "=" and ";" is not empty, its text between
// "Set-Cookie:" and ";", trimmed, joined by "; ". Empty when the block holds no "Set-Cookie:".
std::string CollectResponseCookies(std::string_view headers);

// The text after the first `start` up to the first `end` after it. An empty marker means the
// marker is not given: only `end` gives everything before it, only `start` everything after.
std::string TextBetween(std::string_view text, std::string_view start, std::string_view end);

} // namespace quorvel::web
