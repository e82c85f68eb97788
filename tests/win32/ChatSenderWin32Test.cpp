// Handing messages to the buyer through the Windows stand-in IM client, end to end: the real
// launcher, window search, walk and messages across processes.
#include "Fakes.h"
#include "Win32TestSupport.h"

#include "delivery/ChatSender.h"
#include "platform/SystemPorts.h"
#include "standin-im-win32/StandinProtocol.h"

#include <gtest/gtest.h>

namespace quorvel::win32test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kChatClass = "StandardFrame";

class ChatSenderWin32 : public ::testing::Test {
  protected:
    ChatSenderWin32() { m_store.path = m_standin.program(); }

    bool send(std::string_view seller, std::string_view buyer, std::string_view message) {
        return m_sender.Send(seller, buyer, message);
    }
    static std::string title(std::string_view seller, std::string_view buyer) {
        return delivery::ChatWindowTitle(seller, buyer);
    }

    InstalledStandin m_standin;
    MemoryPathStore m_store;
    platform::SystemPorts m_ports = platform::MakeSystemPorts();
    delivery::ChatSender m_sender{m_store, *m_ports.launcher, *m_ports.windows,
                                  delivery::ChatBounds{20s, 10s, 50ms}};
};

struct Conversation {
    const char* what;
    std::string seller;
    std::string buyer;
    std::string message;
};

TEST_F(ChatSenderWin32, TheWholeMessageArrivesOnceAndTheWindowIsClosed) {
    const std::vector<Conversation> cases = {
        {"blanks and ampersands in the nicknames", "Shop & Co  1", "buyer &x y",
         "Order 2701\r\ncard: AAAA-1111 password: p1\r\ncard: BBBB-2222 password: p2\r\nThanks"},
        // The buyer ends in a character whose second byte is a backslash's: it must not be
        // doubled before the closing quote, nor taken for a folder separator.
        {"GBK nicknames and text", "\xB5\xEA\xD6\xF7\xC0\xCF\xCD\xF5",
         "\xC2\xF2\xBC\xD2 a&b\\c\x81\x5C",
         "\xBF\xA8\xBA\xC5\xA3\xBA 123\r\n\xBF\xA8\xC3\xDC\xA3\xBA \xB0\xA2\\\"x\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(send(c.seller, c.buyer, c.message));
        EXPECT_EQ(m_standin.transcriptOf(c.buyer), standin::TranscriptEntry(c.message));
        EXPECT_FALSE(TopLevelExists(kChatClass, title(c.seller, c.buyer)));
    }
}

TEST_F(ChatSenderWin32, TwoOrdersOfOneBuyerOpenFillAndCloseTheWindowTwice) {
    ASSERT_TRUE(send("seller", "buyer", "first order"));
    EXPECT_FALSE(TopLevelExists(kChatClass, title("seller", "buyer")));
    ASSERT_TRUE(send("seller", "buyer", "second order"));
    EXPECT_FALSE(TopLevelExists(kChatClass, title("seller", "buyer")));
    EXPECT_EQ(m_standin.transcriptOf("buyer"),
              standin::TranscriptEntry("first order") + standin::TranscriptEntry("second order"));
}

TEST_F(ChatSenderWin32, AChatWindowOpenBeforeTheLaunchServesAsWell) {
    ASSERT_TRUE(m_standin.run("aliim:sendmsg?uid=cntaobaoseller&touid=cntaobaobuyer"));
    ASSERT_TRUE(TopLevelExists(kChatClass, title("seller", "buyer")));
    ASSERT_TRUE(send("seller", "buyer", "keys"));
    EXPECT_EQ(m_standin.transcriptOf("buyer"), standin::TranscriptEntry("keys"));
    EXPECT_FALSE(TopLevelExists(kChatClass, title("seller", "buyer")));
}

TEST_F(ChatSenderWin32, AMessageWithAZeroByteIsNotDeliveredCutShort) {
    EXPECT_FALSE(send("seller", "buyer", std::string("card AAAA") + '\0' + "password 1111"));
    EXPECT_EQ(m_standin.transcriptOf("buyer"), "");
    EXPECT_FALSE(TopLevelExists(kChatClass, title("seller", "buyer")));
}

// With a short idle time the instance ends between messages, sometimes just as the next
// request comes: every message still arrives, and nothing stays running.
TEST_F(ChatSenderWin32, TheStandinEndsWhenIdleAndComesBackForTheNextMessage) {
    SetEnvironment(standin::kIdleVariable, "20");
    ASSERT_TRUE(send("seller", "buyer", "one"));
    ASSERT_TRUE(send("seller", "buyer", "two"));
    ASSERT_TRUE(send("seller", "buyer", "three"));
    SetEnvironment(standin::kIdleVariable, "");
    EXPECT_EQ(m_standin.transcriptOf("buyer"), standin::TranscriptEntry("one") +
                                                   standin::TranscriptEntry("two") +
                                                   standin::TranscriptEntry("three"));
    EXPECT_TRUE(WaitUntil([] { return !StandinIsRunning(); }, 10s));
}

// A client that never shows the chat window, or never ends: the message is given up within
// the bounds instead of holding the delivery pass.
class ChatSenderBounds : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string folder = m_scratch.path() + "\\no window";
        ASSERT_TRUE(MakeFolder(folder));
        m_windowless = folder + "\\win32_test_helper.exe";
        ASSERT_TRUE(CopyFileTo(SiblingProgram("win32_test_helper.exe"), m_windowless));
    }
    void TearDown() override { SetEnvironment("QUORVEL_TEST_HELPER_HANG_MS", ""); }

    // Whether it was sent, and how long it took.
    std::pair<bool, std::chrono::steady_clock::duration> timedSend(const std::string& program) {
        m_store.path = program;
        delivery::ChatSender sender(m_store, *m_ports.launcher, *m_ports.windows,
                                    delivery::ChatBounds{500ms, 800ms, 50ms});
        const auto started = std::chrono::steady_clock::now();
        const bool sent = sender.Send("seller", "buyer", "keys");
        return {sent, std::chrono::steady_clock::now() - started};
    }

    ScratchFolder m_scratch{"bounds"};
    std::string m_windowless;
    MemoryPathStore m_store;
    platform::SystemPorts m_ports = platform::MakeSystemPorts();
};

TEST_F(ChatSenderBounds, NoWindowEverAppears) {
    for (const std::string& program : {m_windowless, std::string(), m_windowless + ".missing"}) {
        SCOPED_TRACE(program);
        const auto [sent, took] = timedSend(program);
        EXPECT_FALSE(sent);
        EXPECT_GE(took, 800ms); // it did search for the window
        EXPECT_LT(took, 5s);
    }
}

TEST_F(ChatSenderBounds, TheLaunchedClientNeverEnds) {
    SetEnvironment("QUORVEL_TEST_HELPER_HANG_MS", "4000");
    const auto [sent, took] = timedSend(m_windowless);
    EXPECT_FALSE(sent);
    EXPECT_LT(took, 3s);
}

} // namespace
} // namespace quorvel::win32test
