// The process cookie store and how the session reaches the marketplace hosts, which the host
// map sends to a loopback server while URL and Host line stay the real ones.
#include "web/CookieStore.h"

#include "web/Endpoints.h"
#include "web/HttpFetch.h"
#include "web/LoopbackServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <thread>

namespace quorvel::web {
namespace {

using testing::LoopbackConnection;
using testing::LoopbackServer;

std::string headerValue(const std::string& raw, const std::string& name) {
    const std::string head = "\r\n" + name + ": ";
    const auto at = raw.find(head);
    if (at == std::string::npos) {
        return "<none>";
    }
    const auto start = at + head.size();
    return raw.substr(start, raw.find("\r\n", start) - start);
}

const Cookie* find(const std::vector<Cookie>& all, const std::string& name) {
    for (const Cookie& c : all) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

TEST(CookieStoreTest, PutAllRemoveClear) {
    CookieStore& store = CookieStore::Instance();
    store.Clear();
    const auto inAYear = static_cast<std::int64_t>(std::time(nullptr)) + 365 * 24 * 3600;
    ASSERT_TRUE(store.Put({"sess", "abc", ".taobao.com", "/", 0, false, true}));
    ASSERT_TRUE(store.Put({"pin", "7", "wuliu.taobao.com", "/user", inAYear, true, false}));
    auto all = store.All();
    ASSERT_EQ(all.size(), 2u);
    const Cookie* sess = find(all, "sess");
    ASSERT_NE(sess, nullptr);
    EXPECT_EQ(sess->value, "abc");
    EXPECT_EQ(sess->domain, ".taobao.com");
    EXPECT_TRUE(sess->httpOnly);
    EXPECT_EQ(sess->expiresUnix, 0);
    const Cookie* pin = find(all, "pin");
    ASSERT_NE(pin, nullptr);
    EXPECT_EQ(pin->domain, "wuliu.taobao.com");
    EXPECT_EQ(pin->path, "/user");
    EXPECT_TRUE(pin->secure);
    EXPECT_EQ(pin->expiresUnix, inAYear);

    ASSERT_TRUE(store.Put({"sess", "new", ".taobao.com", "/", 0, false, true}));
    EXPECT_EQ(find(store.All(), "sess")->value, "new"); // replaced, not doubled
    EXPECT_EQ(store.All().size(), 2u);

    store.Remove("pin", "wuliu.taobao.com", "/user");
    all = store.All();
    EXPECT_EQ(find(all, "pin"), nullptr);
    EXPECT_NE(find(all, "sess"), nullptr);
    store.Clear();
    EXPECT_TRUE(store.All().empty());
}

TEST(CookieStoreTest, RefusesCookiesThatDoNotFitOneLine) {
    CookieStore& store = CookieStore::Instance();
    store.Clear();
    EXPECT_FALSE(store.Put({"", "v", ".taobao.com", "/", 0, false, false}));
    EXPECT_FALSE(store.Put({"n", "v", "", "/", 0, false, false}));
    EXPECT_FALSE(store.Put({"n", "a\tb", ".taobao.com", "/", 0, false, false}));
    EXPECT_FALSE(store.Put({"n", "a\r\nSet-Cookie: x=1", ".taobao.com", "/", 0, false, false}));
    EXPECT_FALSE(store.Put({"n", "a;b", ".taobao.com", "/", 0, false, false}));
    EXPECT_TRUE(store.All().empty());
}

class SessionRoadTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_server = std::make_unique<LoopbackServer>([](LoopbackConnection& c) {
            const bool sets = c.request().find(" /set ") != std::string::npos;
            c.send(LoopbackServer::Response("HTTP/1.1 200 OK",
                                            sets ? "Set-Cookie: fresh=1; path=/\r\n" : "", "page"));
        });
        const std::string target = "=127.0.0.1:" + std::to_string(s_server->port());
        const std::string map = Hosts().logistics + target + "," + Hosts().member + target;
        ::setenv("QUORVEL_HOST_MAP", map.c_str(), 1);
    }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { CookieStore::Instance().Clear(); }

    // The raw request the server received for one fetch.
    static std::string fetch(HttpFetchRequest request) {
        request.timeoutSeconds = 5;
        const std::size_t before = s_server->requestCount();
        EXPECT_EQ(HttpFetch(request).body, "page") << request.url;
        const auto all = s_server->requests();
        return all.size() > before ? all.back() : std::string();
    }
    static HttpFetchRequest at(std::string url) {
        HttpFetchRequest request;
        request.url = std::move(url);
        return request;
    }

    static inline std::unique_ptr<LoopbackServer> s_server;
};

TEST_F(SessionRoadTest, StoreCookiesReachTheMappedHosts) {
    CookieStore& store = CookieStore::Instance();
    ASSERT_TRUE(store.Put({"sess", "abc", ".taobao.com", "/", 0, false, true}));
    ASSERT_TRUE(store.Put({"only", "w", "wuliu.taobao.com", "/", 0, false, false}));
    ASSERT_TRUE(store.Put({"deep", "d", ".taobao.com", "/elsewhere", 0, false, false}));

    const std::string orders = fetch(at(OrderListUrl()));
    EXPECT_EQ(headerValue(orders, "Host"), "wuliu.taobao.com");
    EXPECT_THAT(headerValue(orders, "Cookie"),
                ::testing::AllOf(::testing::HasSubstr("sess=abc"), ::testing::HasSubstr("only=w"),
                                 ::testing::Not(::testing::HasSubstr("deep"))));
    EXPECT_TRUE(orders.starts_with("GET /user/order_list_new.htm HTTP/1.1\r\n"));

    const std::string member = fetch(at(BaseInfoUrl()));
    EXPECT_EQ(headerValue(member, "Host"), "member1.taobao.com");
    EXPECT_EQ(headerValue(member, "Cookie"), "sess=abc");

    store.Remove("sess", ".taobao.com", "/");
    EXPECT_EQ(headerValue(fetch(at(BaseInfoUrl())), "Cookie"), "<none>");
}

TEST_F(SessionRoadTest, ResponseCookiesAreKeptForTheHost) {
    fetch(at("http://" + Hosts().logistics + "/set"));
    const auto all = CookieStore::Instance().All();
    const Cookie* fresh = find(all, "fresh");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->value, "1");
    EXPECT_EQ(fresh->domain, "wuliu.taobao.com");
    EXPECT_EQ(headerValue(fetch(at(OrderListUrl())), "Cookie"), "fresh=1");
    EXPECT_EQ(headerValue(fetch(at(BaseInfoUrl())), "Cookie"), "<none>"); // another host
}

TEST_F(SessionRoadTest, OwnCookieTextWithoutTheStoreUsesNoStore) {
    CookieStore& store = CookieStore::Instance();
    ASSERT_TRUE(store.Put({"sess", "abc", ".taobao.com", "/", 0, false, false}));
    HttpFetchRequest request = at("http://" + Hosts().logistics + "/set");
    request.cookieText = "own=1";
    EXPECT_EQ(headerValue(fetch(request), "Cookie"), "own=1");
    EXPECT_EQ(find(store.All(), "fresh"), nullptr) << "a response cookie was stored";

    request.useCookieStore = true;
    const std::string both = fetch(request);
    EXPECT_THAT(headerValue(both, "Cookie"),
                ::testing::AllOf(::testing::HasSubstr("sess=abc"), ::testing::HasSubstr("own=1")));
    EXPECT_NE(find(store.All(), "fresh"), nullptr);
}

TEST_F(SessionRoadTest, StoreIsSafeFromManyThreads) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i) {
                const std::string name = "c" + std::to_string(t) + "_" + std::to_string(i);
                EXPECT_TRUE(
                    CookieStore::Instance().Put({name, "v", ".taobao.com", "/", 0, false, false}));
                if (i % 10 == 0) {
                    static_cast<void>(CookieStore::Instance().All());
                }
            }
        });
    }
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 5; ++i) {
                HttpFetchRequest request;
                request.url = OrderListUrl();
                request.timeoutSeconds = 5;
                EXPECT_EQ(HttpFetch(request).body, "page");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(CookieStore::Instance().All().size(), 200u);
}

} // namespace
} // namespace quorvel::web
