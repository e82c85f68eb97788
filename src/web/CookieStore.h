// The process-wide cookie store that every request shares unless it opts out. The login
// browser copies each cookie it receives into it, which is how the seller's session reaches
// the system's own requests. Matching of domain and path is libcurl's.
//
// Thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::web {

struct Cookie {
    std::string name;
    std::string value;
    std::string domain;          // ".taobao.com" matches subdomains; "host" that host only
    std::string path = "/";
    std::int64_t expiresUnix = 0; // 0: a session cookie
    bool secure = false;
    bool httpOnly = false;
};

class CookieStore {
  public:
    static CookieStore& Instance();

    // False when a field holds a tab, line end or ';', or name or domain is empty.
    bool Put(const Cookie& cookie);
    void Remove(const std::string& name, const std::string& domain, const std::string& path);
    std::vector<Cookie> All() const;
    void Clear();

    // The curl share handle (CURLSH*) that requests attach to.
    void* ShareHandle() const;

    CookieStore(const CookieStore&) = delete;
    CookieStore& operator=(const CookieStore&) = delete;

  private:
    CookieStore();
    ~CookieStore();
    struct State;
    State* m_state; // owned; lives as long as the process
};

} // namespace quorvel::web
