// The seller's nickname from the base-info page, fetched through the host map on loopback.
#include "delivery/BuyerNotifier.h"

#include "delivery/NotifierTestSupport.h"
#include "web/Endpoints.h"
#include "web/LoopbackServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>

namespace quorvel::delivery {
namespace {

using testing::LoopbackServer;

const std::string kNickStart = "\xC7\xD7\xB0\xAE\xB5\xC4<b>"; // 亲爱的<b>
const std::string kReset = "(reset the connection)";

class NotifierNick : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_server = new LoopbackServer([](testing::LoopbackConnection& connection) {
            std::string body;
            {
                const std::lock_guard<std::mutex> lock(s_mutex);
                body = s_body;
            }
            if (body == kReset) {
                connection.reset();
                return;
            }
            connection.send(
                LoopbackServer::Response("HTTP/1.1 200 OK", "Content-Type: text/html\r\n", body));
        });
        // Read once by the first request: route the member host to the loopback server.
        const std::string map =
            web::Hosts().member + "=127.0.0.1:" + std::to_string(s_server->port());
        ::setenv("QUORVEL_HOST_MAP", map.c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }
    static void Serve(std::string body) {
        const std::lock_guard<std::mutex> lock(s_mutex);
        s_body = std::move(body);
    }

    static LoopbackServer* s_server;
    static std::mutex s_mutex;
    static std::string s_body;
};

LoopbackServer* NotifierNick::s_server = nullptr;
std::mutex NotifierNick::s_mutex;
std::string NotifierNick::s_body;

TEST_F(NotifierNick, NicknameBetweenTheMarkersOfTheBaseInfoPage) {
    struct Case {
        std::string body;
        std::string nick;
    };
    const std::string gbkNick = "\xB0\xA2\xC0\xEF&shop 1";
    const Case cases[] = {
        {"<html>" + kNickStart + gbkNick + "</b>, welcome</b></html>", gbkNick},
        {kNickStart + "</b>", ""},
        {"<html>no marker</html>", ""},
        {kNickStart + "never closed", ""},
        {"<b>seller</b>", ""},
        // The page is read up to its first zero byte.
        {std::string("head") + '\0' + kNickStart + "hidden</b>", ""},
        {kNickStart + "shown</b>" + '\0' + "tail", "shown"},
        {kReset, ""},
    };
    // Fetching the nickname touches neither the client nor its windows.
    testing::CountingPathStore paths("");
    testing::ScriptedLauncher launcher;
    platform::posix::ImWindowClient windows("/tmp/quorvel-no-such-socket");
    BuyerNotifier notifier(paths, launcher, windows);
    for (const Case& c : cases) {
        Serve(c.body);
        EXPECT_EQ(notifier.FetchSellerNick(), c.nick) << c.body;
    }
    EXPECT_TRUE(launcher.lines.empty());
    EXPECT_EQ(paths.reads, 0);
    const auto requests = s_server->requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().rfind("GET /user/baseInfoSet.htm HTTP/1.1\r\n", 0), 0u)
        << requests.front();
}

} // namespace
} // namespace quorvel::delivery
