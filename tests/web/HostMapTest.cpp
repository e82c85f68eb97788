#include "web/HostMap.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quorvel::web {
namespace {

TEST(HostMapTest, ParsesRoutes) {
    std::string error;
    const auto routes =
        ParseHostMap("Wuliu.Taobao.com=127.0.0.1:8081, member1.taobao.com = localhost:9000,"
                     "login.taobao.com=[::1]:8443",
                     &error);
    ASSERT_TRUE(routes) << error;
    ASSERT_EQ(routes->size(), 3u);
    EXPECT_EQ((*routes)[0].host, "wuliu.taobao.com");
    EXPECT_EQ((*routes)[0].address, "127.0.0.1");
    EXPECT_EQ((*routes)[0].port, 8081);
    EXPECT_EQ((*routes)[1].address, "localhost");
    EXPECT_EQ((*routes)[2].address, "[::1]");
    EXPECT_EQ((*routes)[2].port, 8443);
    EXPECT_EQ(HostResolverRules(*routes), "MAP wuliu.taobao.com 127.0.0.1:8081, MAP "
                                          "member1.taobao.com localhost:9000, MAP "
                                          "login.taobao.com [::1]:8443");
    EXPECT_TRUE(ParseHostMap("", &error)->empty());
    EXPECT_TRUE(ParseHostMap("  ", &error)->empty());
    EXPECT_EQ(HostResolverRules({}), "");
}

TEST(HostMapTest, RejectsMalformedText) {
    for (const char* bad :
         {"wuliu.taobao.com", "wuliu.taobao.com=127.0.0.1",
          "wuliu.taobao.com=127.0.0.1:", "wuliu.taobao.com=127.0.0.1:0",
          "wuliu.taobao.com=127.0.0.1:65536", "wuliu.taobao.com=127.0.0.1:80x", "=127.0.0.1:80",
          "a b=127.0.0.1:80", "a=:80", "a=1.2.3.4:80,", "a=1.2.3.4:80,,b=1.2.3.4:80",
          "a=1.2.3.4:80,a=1.2.3.4:81", "a/b=1.2.3.4:80", "a=1.2.3.4:80 MAP b"}) {
        std::string error;
        EXPECT_FALSE(ParseHostMap(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(HostMapDeathTest, MalformedEnvironmentEndsTheProcessWithCode2) {
    EXPECT_EXIT(
        {
            ::setenv("QUORVEL_HOST_MAP", "wuliu.taobao.com=127.0.0.1", 1);
            static_cast<void>(ActiveHostMap());
            std::exit(0);
        },
        ::testing::ExitedWithCode(2), "QUORVEL_HOST_MAP");
}

TEST(HostMapDeathTest, WellFormedEnvironmentIsRead) {
    EXPECT_EXIT(
        {
            ::setenv("QUORVEL_HOST_MAP", "wuliu.taobao.com=127.0.0.1:1234", 1);
            const auto& routes = ActiveHostMap();
            std::exit(routes.size() == 1 && routes[0].port == 1234 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace quorvel::web
