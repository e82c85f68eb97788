// quorvel-fetch: one HttpFetch from the command line, to look at what a page gives the system.
#include "web/HttpFetch.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage = R"(usage: quorvel-fetch --url URL [options]

Sends one request the way Quorvel does and prints the response body to standard output.

  --url URL            address, http:// or https:// (required)
  --method M           GET (default) or POST, any letter case; other verbs send nothing
  --post-data TEXT     form body for POST, already URL-encoded
  --cookie TEXT        cookie text for the Cookie line ("a=1; b=2")
  --header LINE        one extra request header line (repeatable); "\r\n" is added
  --timeout SECONDS    limit for the whole request; 0 (default) means 90
  --want-headers       print the raw response header block to standard error
  --want-cookies       print the collected response cookies to standard error
  --use-cookie-store   let the process cookie store add and keep cookies even with --cookie
  --proxy HOST:PORT    HTTP proxy
  --user NAME          user name handed to the connection
  --password TEXT      password handed to the connection
  --help               this text

Exit status: 0 when a body came back, 1 when the result was empty (failure, time-out or an
empty page), 2 for bad options. QUORVEL_HOST_MAP routes hosts as in the program.
)";

int usageError(const std::string& message) {
    std::cerr << "quorvel-fetch: " << message << "\n(see --help)\n";
    return 2;
}

bool parseTimeout(const std::string& text, std::int32_t& out) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 86400) {
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    quorvel::web::HttpFetchRequest request;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        bool* flag = arg == "--want-headers"       ? &request.wantHeaders
                     : arg == "--want-cookies"     ? &request.wantCookies
                     : arg == "--use-cookie-store" ? &request.useCookieStore
                                                   : nullptr;
        if (flag != nullptr) {
            *flag = true;
            continue;
        }
        if (i + 1 >= argc) {
            return usageError("unknown option or missing value: " + std::string(arg));
        }
        const std::string value = argv[++i];
        if (arg == "--url") {
            request.url = value;
        } else if (arg == "--method") {
            request.method = value;
        } else if (arg == "--post-data") {
            request.postData = value;
        } else if (arg == "--cookie") {
            request.cookieText = value;
        } else if (arg == "--header") {
            request.extraHeaders += value + "\r\n";
        } else if (arg == "--timeout") {
            if (!parseTimeout(value, request.timeoutSeconds)) {
                return usageError("--timeout needs whole seconds from 0 to 86400: " + value);
            }
        } else if (arg == "--proxy") {
            request.proxy = value;
        } else if (arg == "--user") {
            request.userName = value;
        } else if (arg == "--password") {
            request.password = value;
        } else {
            return usageError("unknown option: " + std::string(arg));
        }
    }
    if (request.url.empty()) {
        return usageError("--url is required");
    }
    const auto result = quorvel::web::HttpFetch(request);
    if (request.wantHeaders) {
        std::cerr << result.responseHeaders;
    }
    if (request.wantCookies) {
        std::cerr << "cookies: " << result.responseCookies << "\n";
    }
    std::fwrite(result.body.data(), 1, result.body.size(), stdout);
    return result.body.empty() ? 1 : 0;
}
