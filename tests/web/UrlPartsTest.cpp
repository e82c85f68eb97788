#include "web/Endpoints.h"
#include "web/HttpFetch.h"

#include <gtest/gtest.h>

namespace quorvel::web {
namespace {

TEST(UrlPartsTest, HostPathPort) {
    struct Case {
        const char* url;
        const char* host;
        const char* hostWithPort;
        const char* path;
        std::int32_t port;
    } cases[] = {
        {"http://WuLiu.TaoBao.com/user/x.htm?a=1", "wuliu.taobao.com", "wuliu.taobao.com",
         "/user/x.htm?a=1", 80},
        {"http://127.0.0.1:8080/p", "127.0.0.1", "127.0.0.1:8080", "/p", 8080},
        {"http://shop.com", "shop.com", "shop.com", "/", 80},
        {"http://shop.com:81", "shop.com", "shop.com:81", "/", 81},
        {"shop.com/a/b", "shop.com", "shop.com", "/a/b", 80},
        {"https://login.shop.com/", "login.shop.com", "login.shop.com", "/", 443},
        // A host that also occurs in the scheme does not move the path's start.
        {"http://h/x", "h", "h", "/x", 80},
        {"http://t.cn/\xB6\xA9/", "t.cn", "t.cn", "/\xB6\xA9/", 80},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlHost(c.url, false), c.host) << c.url;
        EXPECT_EQ(UrlHost(c.url, true), c.hostWithPort) << c.url;
        EXPECT_EQ(UrlPath(c.url), c.path) << c.url;
        EXPECT_EQ(UrlPort(c.url), c.port) << c.url;
    }
}

TEST(UrlPartsTest, TextBetween) {
    struct Case {
        const char* text;
        const char* start;
        const char* end;
        const char* between;
    } cases[] = {
        {"a=1; path=/", "=", ";", "1"},
        {"<b>nick</b><b>two</b>", "<b>", "</b>", "nick"},
        {"no start here", "<b>", "</b>", ""},
        {"<b>never ended", "<b>", "</b>", ""},
        {"</b> only before <b>x", "<b>", "</b>", ""}, // the end counts only after the start
        {"head;tail", "", ";", "head"},
        {"head;tail", "head", "", ";tail"},
        {"head", "", ";", ""},
        {"head", "x", "", ""},
        {"Set-Cookie: A=1; b", "set-cookie:", ";", ""}, // exact case
        // "\xB6\x41" is one character whose second byte is "A": no match may start inside it.
        {"\xB6\x41=x;A=y;", "A=", ";", "y"},
        {"\xC7\xD7\xB0\xAE\xB5\xC4<b>\xC2\xF4\xBC\xD2</b>", "\xB5\xC4<b>", "</b>",
         "\xC2\xF4\xBC\xD2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextBetween(c.text, c.start, c.end), c.between)
            << c.text << " | " << c.start << " | " << c.end;
    }
}

TEST(EndpointsTest, AddressesOfTheMarketplacePages) {
    EXPECT_EQ(LoginPageUrl(), "https://login.taobao.com/");
    EXPECT_EQ(OrderListUrl(), "http://wuliu.taobao.com/user/order_list_new.htm");
    EXPECT_EQ(BaseInfoUrl(), "http://member1.taobao.com/user/baseInfoSet.htm");
    EXPECT_EQ(ConsignUrl("123456789", "987"),
              "http://wuliu.taobao.com/user/consign_dummy.htm?trade_id=123456789&order_id=987");
    EXPECT_EQ(ConsignUrl("1 2", "a&b"),
              "http://wuliu.taobao.com/user/consign_dummy.htm?trade_id=1 2&order_id=a&b");
    EXPECT_EQ(UpdateFileUrl("/svn/trunk/tip.txt"), "http://update.quorvel.net/svn/trunk/tip.txt");
    EXPECT_EQ(SessionCookies(), "");
}

} // namespace
} // namespace quorvel::web
