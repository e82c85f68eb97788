// HttpFetch on libcurl: one fresh easy handle per call, run on the caller's thread, so the
// time-out is libcurl's own and nothing outlives the call.
#include "web/HttpFetch.h"

#include "text/Gbk.h"
#include "text/Texts.h"
#include "web/CookieStore.h"
#include "web/CurlSupport.h"
#include "web/HostMap.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>

namespace quorvel::web {

namespace {

using detail::AppendLine;
using detail::EasyHandle;
using detail::MultiHandle;
using detail::Slist;

constexpr std::size_t kBodyLimit = std::size_t{64} * 1024 * 1024;
// Far above any real page's header block; only bounds what a hostile server can make us hold.
constexpr std::size_t kHeaderLimit = std::size_t{4} * 1024 * 1024;
constexpr long kMaxRedirects = 10;
constexpr long kDefaultTimeoutSeconds = 90;
constexpr long kPumpIntervalMs = 50;

enum class Verb { Get, Post, Unsupported };

Verb verbOf(std::string_view method) {
    if (method.empty() || text::ToLowerAscii(method) == "get") {
        return Verb::Get;
    }
    if (text::ToLowerAscii(method) == "post") {
        return Verb::Post;
    }
    return Verb::Unsupported;
}

bool hasNonBlank(std::string_view s) {
    return s.find_first_not_of(' ') != std::string_view::npos;
}

// --- message pump ---------------------------------------------------------------------------

std::mutex& pumpMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<const std::function<void()>>& pumpSlot() {
    static std::shared_ptr<const std::function<void()>> slot;
    return slot;
}
std::shared_ptr<const std::function<void()>> currentPump() {
    std::lock_guard lock(pumpMutex());
    return pumpSlot();
}

// --- request header text ----------------------------------------------------------------------

bool startsWithNoCase(std::string_view line, std::string_view head) {
    const std::string_view trimmed = text::TrimBlanks(line);
    return trimmed.size() >= head.size() &&
           text::ToLowerAscii(trimmed.substr(0, head.size())) == text::ToLowerAscii(head);
}

// Drops every Content-Length line: the engine adds the one true value itself.
std::string withoutContentLength(std::string_view headers) {
    std::string out;
    std::size_t pos = 0;
    while (pos < headers.size()) {
        auto eol = headers.find('\n', pos);
        eol = eol == std::string_view::npos ? headers.size() : eol + 1;
        const std::string_view line = headers.substr(pos, eol - pos);
        if (!startsWithNoCase(line, text::kContentLengthProbe.gbk)) {
            out.append(line);
        }
        pos = eol;
    }
    return out;
}

std::string composeHeaderText(const HttpFetchRequest& request, Verb verb) {
    std::string h = request.extraHeaders;
    if (!text::ContainsNoCase(h, text::kAcceptProbe.gbk)) {
        h.append(text::kAcceptLine.gbk);
    }
    if (!text::ContainsNoCase(h, text::kRefererProbe.gbk)) {
        h.append(text::kRefererProbe.gbk).append(request.url).append("\r\n");
    }
    if (!text::ContainsNoCase(h, text::kAcceptLanguageProbe.gbk)) {
        h.append(text::kAcceptLanguageLine.gbk);
    }
    if (verb == Verb::Post && !request.postData.empty()) {
        if (!text::ContainsNoCase(h, text::kContentTypeProbe.gbk)) {
            h.append(text::kContentTypeLine.gbk);
        }
        h = withoutContentLength(h);
        h.append(text::kContentLengthProbe.gbk)
            .append(" ")
            .append(text::IntToText(static_cast<std::int64_t>(request.postData.size())))
            .append("\r\n");
    }
    return h;
}

// One curl header entry per line. A line still holding a CR or LF after splitting would let a
// caller's text start a new header on the wire, so it is dropped.
bool appendHeaderLines(Slist& list, std::string_view h) {
    std::size_t pos = 0;
    while (pos < h.size()) {
        auto eol = h.find('\n', pos);
        const std::size_t next = eol == std::string_view::npos ? h.size() : eol + 1;
        std::string line(h.substr(pos, (eol == std::string_view::npos ? h.size() : eol) - pos));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.find('\r') == std::string::npos &&
            !AppendLine(list, line.c_str())) {
            return false;
        }
        pos = next;
    }
    return true;
}

// libcurl adds lines of its own that the engine does not send; an entry "Name:" with no value
// removes curl's line, and only when the caller's headers do not name it themselves.
bool suppressCurlDefaults(Slist& list, std::string_view h, const HttpFetchRequest& request,
                          Verb verb) {
    bool ok = true;
    if (!text::ContainsNoCase(h, "Expect:")) {
        ok = ok && AppendLine(list, "Expect:");
    }
    if (verb == Verb::Post && request.postData.empty()) {
        if (!text::ContainsNoCase(h, text::kContentTypeProbe.gbk)) {
            ok = ok && AppendLine(list, "Content-Type:");
        }
        if (!text::ContainsNoCase(h, text::kContentLengthProbe.gbk)) {
            ok = ok && AppendLine(list, "Content-Length:");
        }
    }
    return ok;
}

// --- response ---------------------------------------------------------------------------------

struct Sink {
    std::string body;
    std::string headers;
    bool overflow = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    if (sink->body.size() + n > kBodyLimit) {
        sink->overflow = true;
        return 0; // ends the transfer as failed
    }
    sink->body.append(data, n);
    return n;
}

// Keeps the block of the last response only: a redirect or an interim 1xx answer starts anew.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    const std::string_view line(data, n);
    if (line.starts_with("HTTP/")) {
        sink->headers.clear();
    }
    if (sink->headers.size() + n > kHeaderLimit) {
        sink->overflow = true;
        return 0;
    }
    sink->headers.append(line);
    return n;
}

// --- transfer ---------------------------------------------------------------------------------

// The easy handle is declared last so it goes first, before what it points at.
struct Transfer {
    Slist headers;
    Slist connectTo;
    Sink sink;
    std::string verb;
    EasyHandle easy;
};

// Extra trust for the demo shop's own certificate; verification itself always stays on.
const char* caFileOverride() {
    const char* path = std::getenv("QUORVEL_CA_FILE");
    return path != nullptr && *path != '\0' ? path : nullptr;
}

bool setConnectTo(Transfer& t) {
    for (const HostRoute& route : ActiveHostMap()) {
        const std::string entry =
            route.host + "::" + route.address + ":" + std::to_string(route.port);
        if (!AppendLine(t.connectTo, entry.c_str())) {
            return false;
        }
    }
    return !t.connectTo ||
           curl_easy_setopt(t.easy.get(), CURLOPT_CONNECT_TO, t.connectTo.get()) == CURLE_OK;
}

void setCookieHandling(CURL* easy, const HttpFetchRequest& request) {
    const bool ownCookies = !text::TrimBlanks(request.cookieText).empty();
    if (ownCookies) {
        // Sent as one line; with the store attached curl puts the store's pairs before it.
        curl_easy_setopt(easy, CURLOPT_COOKIE, request.cookieText.c_str());
    }
    if (ownCookies && !request.useCookieStore) {
        return; // the caller's text alone: no store, no cookie engine
    }
    curl_easy_setopt(easy, CURLOPT_SHARE, CookieStore::Instance().ShareHandle());
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // cookie engine on, no file
}

void setConnection(CURL* easy, const HttpFetchRequest& request) {
    curl_easy_setopt(easy, CURLOPT_USERAGENT, text::kUserAgent.gbk.data());
    // An empty proxy also keeps curl from taking one from the environment.
    curl_easy_setopt(easy, CURLOPT_PROXY, hasNonBlank(request.proxy) ? request.proxy.c_str() : "");
    curl_easy_setopt(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    if (hasNonBlank(request.userName)) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, request.userName.c_str());
    }
    if (hasNonBlank(request.password)) {
        curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
    }
    const long timeout = request.timeoutSeconds > 0 ? static_cast<long>(request.timeoutSeconds)
                                                    : kDefaultTimeoutSeconds;
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, timeout);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kBodyLimit));
    if (const char* ca = caFileOverride()) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, ca);
    }
}

void setMethod(Transfer& t, const HttpFetchRequest& request, Verb verb) {
    CURL* easy = t.easy.get();
    if (verb == Verb::Post) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.postData.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.postData.data());
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }
    // The request line carries the verb exactly as the caller wrote it ("post" stays "post").
    const std::string_view standard = verb == Verb::Post ? "POST" : "GET";
    if (!request.method.empty() && request.method != standard) {
        t.verb = request.method;
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, t.verb.c_str());
    }
}

bool prepare(Transfer& t, const HttpFetchRequest& request, Verb verb) {
    detail::EnsureCurlReady();
    t.easy.reset(curl_easy_init());
    if (!t.easy) {
        return false;
    }
    CURL* easy = t.easy.get();
    const std::string h = composeHeaderText(request, verb);
    if (!appendHeaderLines(t.headers, h) || !suppressCurlDefaults(t.headers, h, request, verb)) {
        return false;
    }
    if (curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str()) != CURLE_OK || !setConnectTo(t)) {
        return false;
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.headers.get());
    setConnection(easy, request);
    setCookieHandling(easy, request);
    setMethod(t, request, verb);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t.sink);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t.sink);
    return true;
}

// Drives the transfer through a multi handle on this thread, calling the pump between steps.
CURLcode performPumping(CURL* easy, const std::function<void()>& pump) {
    MultiHandle multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) {
        return CURLE_OUT_OF_MEMORY;
    }
    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done) {
            break;
        }
        pump();
        curl_multi_poll(multi.get(), nullptr, 0, kPumpIntervalMs, nullptr);
    }
    curl_multi_remove_handle(multi.get(), easy);
    return result;
}

} // namespace

void SetMessagePump(std::function<void()> pump) {
    auto next = pump ? std::make_shared<const std::function<void()>>(std::move(pump)) : nullptr;
    std::lock_guard lock(pumpMutex());
    pumpSlot() = std::move(next);
}

HttpFetchResult HttpFetch(const HttpFetchRequest& request) {
    const Verb verb = verbOf(request.method);
    // A line end inside the cookie text would start a header line of the caller's making.
    if (verb == Verb::Unsupported ||
        request.cookieText.find_first_of("\r\n") != std::string::npos) {
        return {};
    }
    Transfer t;
    if (!prepare(t, request, verb)) {
        return {};
    }
    const auto pump = request.pumpMessages ? currentPump() : nullptr;
    const CURLcode code =
        pump ? performPumping(t.easy.get(), *pump) : curl_easy_perform(t.easy.get());
    if (code != CURLE_OK || t.sink.overflow) {
        return {};
    }
    HttpFetchResult result;
    result.body = std::move(t.sink.body);
    if (request.wantCookies) {
        result.responseCookies = CollectResponseCookies(t.sink.headers);
    }
    if (request.wantHeaders) {
        result.responseHeaders = std::move(t.sink.headers);
    }
    return result;
}

std::string CollectResponseCookies(std::string_view headers) {
    std::string collected;
    if (!text::Contains(headers, text::kSetCookieMarker.gbk)) {
        return collected;
    }
    for (const std::string& line : text::Split(headers, "\r\n")) {
        if (!text::Contains(line, text::kSetCookieLineMarker.gbk) ||
            TextBetween(line, "=", ";").empty()) {
            continue;
        }
        if (!collected.empty()) {
            collected.append("; ");
        }
        collected.append(text::TrimBlanks(TextBetween(line, text::kSetCookieMarker.gbk, ";")));
    }
    return collected;
}

} // namespace quorvel::web
