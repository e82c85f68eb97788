// The cookie store: one curl share handle holding the cookies, reached through short-lived easy
// handles attached to it (libcurl reads and writes a share's cookies only through an easy one).
#include "web/CookieStore.h"

#include "text/Gbk.h"
#include "web/CurlSupport.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <optional>

namespace quorvel::web {

namespace {

constexpr std::string_view kHttpOnlyPrefix = "#HttpOnly_";

// A tab or line end inside a field would break the one-line exchange format curl reads.
bool fitsNetscapeLine(const Cookie& c) {
    const auto clean = [](std::string_view s) { return s.find_first_of("\t\r\n") == s.npos; };
    return !c.name.empty() && !c.domain.empty() && clean(c.name) && clean(c.value) &&
           clean(c.domain) && clean(c.path) && c.name.find(';') == std::string::npos &&
           c.value.find(';') == std::string::npos;
}

std::string netscapeLine(const Cookie& c) {
    const bool subdomains = c.domain.front() == '.';
    std::string line;
    if (c.httpOnly) {
        line.append(kHttpOnlyPrefix);
    }
    line.append(text::ToLowerAscii(c.domain))
        .append(subdomains ? "\tTRUE\t" : "\tFALSE\t")
        .append(c.path.empty() ? "/" : c.path)
        .append(c.secure ? "\tTRUE\t" : "\tFALSE\t")
        .append(text::IntToText(c.expiresUnix))
        .append("\t")
        .append(c.name)
        .append("\t")
        .append(c.value);
    return line;
}

std::optional<Cookie> parseNetscapeLine(std::string_view line) {
    Cookie c;
    if (line.starts_with(kHttpOnlyPrefix)) {
        c.httpOnly = true;
        line.remove_prefix(kHttpOnlyPrefix.size());
    }
    std::array<std::string_view, 7> field{};
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto tab = line.find('\t');
        if (i + 1 < field.size() && tab == line.npos) {
            return std::nullopt;
        }
        field[i] = line.substr(0, tab);
        line = tab == line.npos ? std::string_view{} : line.substr(tab + 1);
    }
    c.domain = std::string(field[0]);
    c.path = std::string(field[2]);
    c.secure = field[3] == "TRUE";
    c.expiresUnix = std::strtoll(std::string(field[4]).c_str(), nullptr, 10);
    c.name = std::string(field[5]);
    c.value = std::string(field[6]);
    return c;
}

} // namespace

struct CookieStore::State {
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
    CURLSH* share = nullptr;
    std::mutex easyMutex; // one helper handle at a time for Put/Remove/All/Clear

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<State*>(user)->locks.at(static_cast<std::size_t>(data)).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<State*>(user)->locks.at(static_cast<std::size_t>(data)).unlock();
    }

    // A fresh easy handle on the share, for one store operation.
    detail::EasyHandle attached() const {
        detail::EasyHandle easy(curl_easy_init());
        if (easy) {
            curl_easy_setopt(easy.get(), CURLOPT_SHARE, share);
        }
        return easy;
    }
};

CookieStore& CookieStore::Instance() {
    // Never destroyed: a delivery worker may still be in a transfer on this share while the
    // process runs its exit handlers.
    alignas(CookieStore) static unsigned char storage[sizeof(CookieStore)];
    static CookieStore* const instance = ::new (storage) CookieStore();
    return *instance;
}

CookieStore::CookieStore() {
    detail::EnsureCurlReady();
    auto state = std::make_unique<State>();
    state->share = curl_share_init();
    if (state->share != nullptr) {
        curl_share_setopt(state->share, CURLSHOPT_LOCKFUNC, &State::lock);
        curl_share_setopt(state->share, CURLSHOPT_UNLOCKFUNC, &State::unlock);
        curl_share_setopt(state->share, CURLSHOPT_USERDATA, state.get());
        curl_share_setopt(state->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    m_state = state.release();
}

CookieStore::~CookieStore() {
    std::unique_ptr<State> state(m_state);
    if (state->share != nullptr) {
        curl_share_cleanup(state->share);
    }
}

void* CookieStore::ShareHandle() const {
    return m_state->share;
}

bool CookieStore::Put(const Cookie& cookie) {
    if (!fitsNetscapeLine(cookie)) {
        return false;
    }
    std::lock_guard guard(m_state->easyMutex);
    const auto easy = m_state->attached();
    const std::string line = netscapeLine(cookie);
    return easy && curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
}

void CookieStore::Remove(const std::string& name, const std::string& domain,
                         const std::string& path) {
    // curl removes one cookie only by replacing it with an expired one (same flags, or a secure
    // cookie would refuse the overwrite); it purges expired cookies before it sends any, and
    // All() leaves them out.
    const std::string wantedPath = path.empty() ? "/" : path;
    for (Cookie cookie : All()) {
        if (cookie.name == name &&
            text::ToLowerAscii(cookie.domain) == text::ToLowerAscii(domain) &&
            cookie.path == wantedPath) {
            cookie.value.clear();
            cookie.expiresUnix = 1;
            static_cast<void>(Put(cookie));
        }
    }
}

std::vector<Cookie> CookieStore::All() const {
    std::vector<Cookie> cookies;
    std::lock_guard guard(m_state->easyMutex);
    const auto easy = m_state->attached();
    if (!easy) {
        return cookies;
    }
    curl_slist* raw = nullptr;
    if (curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &raw) != CURLE_OK) {
        return cookies;
    }
    const detail::Slist list(raw);
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    for (const curl_slist* item = list.get(); item != nullptr; item = item->next) {
        auto cookie = parseNetscapeLine(item->data);
        if (cookie && (cookie->expiresUnix == 0 || cookie->expiresUnix > now)) {
            cookies.push_back(std::move(*cookie));
        }
    }
    return cookies;
}

void CookieStore::Clear() {
    std::lock_guard guard(m_state->easyMutex);
    if (const auto easy = m_state->attached()) {
        curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
    }
}

} // namespace quorvel::web
