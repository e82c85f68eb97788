// The IM road with standin-im for real: registered in a registry stand-in, located at start,
// started through the chat command line, driven through its window service. With
// quorvel-market, one whole delivery pass with the real notifier as well.
#include "StandinIm.h"
#include "data/ImClientLocator.h"
#include "data/SettingsStore.h"
#include "data/ShippedTables.h"
#include "delivery/BuyerNotifier.h"
#include "platform/SystemPorts.h"
#include "platform/posix/ImWindowProtocol.h"
#include "text/Texts.h"

#ifdef QUORVEL_MARKET_BINARY
#include "MarketProcess.h"
#include "delivery/CardKeyAllotment.h"
#include "delivery/DeliveryCycle.h"
#include "web/CookieStore.h"
#include "web/Endpoints.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace quorvel {
namespace {

using namespace std::chrono_literals;

const std::string kSeller = "\xD5\xC6\xB9\xF1 & Co";           // 掌柜 & Co
const std::string kBuyer = "\xC2\xF2\xBC\xD2\xBC\xD7 \"j\"&1"; // 买家甲 "j"&1
const delivery::ChatBounds kBounds{20s, 10s, 50ms};

// The screen and the process end must stay untouched while the client is installed.
struct UntouchedScreen : platform::Dialogs, platform::UrlOpener, platform::ProcessExit {
    std::vector<std::string> seen;
    void ShowMessage(std::string_view text, std::string_view, platform::DialogIcon) override {
        seen.push_back("message " + std::string(text));
    }
    bool AskOkCancel(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> AskText(std::string_view, std::string_view) override {
        return std::nullopt;
    }
    void Open(std::string_view url) override { seen.push_back("open " + std::string(url)); }
    struct Exited {};
    [[noreturn]] void Exit(int code) override {
        seen.push_back("exit " + std::to_string(code));
        throw Exited{};
    }
};

class ImRoad : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string pattern = "/tmp/qimroad-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        s_dir = pattern;
        ::setenv("QUORVEL_REGISTRY", (s_dir / "registry").c_str(), 1);
        ::setenv("QUORVEL_IM_SOCKET", (s_dir / "im.sock").c_str(), 1);
        ::setenv("QUORVEL_IM_DIR", (s_dir / "im").c_str(), 1);
        // A service left behind by a failing run ends on its own.
        ::setenv("QUORVEL_IM_IDLE_SECONDS", "120", 1);
#ifdef QUORVEL_MARKET_BINARY
        startMarket();
#endif
    }
    static void TearDownTestSuite() {
        standin("stop");
#ifdef QUORVEL_MARKET_BINARY
        s_market.reset();
#endif
        std::error_code ec;
        std::filesystem::remove_all(s_dir, ec);
    }

    void SetUp() override {
        m_data = s_dir / ("data-" + std::to_string(++s_count));
        std::filesystem::create_directories(m_data);
        ASSERT_TRUE(data::CreateShippedTables(m_data));
        m_tables = std::make_unique<data::Tables>(m_data);
        m_store = std::make_unique<data::SettingsStore>(*m_tables);
        ASSERT_TRUE(standin("install"));
    }

    static bool standin(const std::string& command) {
        return platform::MakeSystemPorts().launcher->RunAndWait(
            std::string("\"") + QUORVEL_STANDIN_IM_BINARY + "\" " + command, 20s);
    }
    data::ImClientLocation locate() {
        const data::ImClientPorts ports{*m_ports.registry, *m_ports.fileProbe, m_screen, m_screen,
                                        m_screen};
        return data::LocateImClient(*m_store, ports);
    }
    static std::vector<std::string> transcript(std::string_view buyer) {
        return standin::ReadTranscript(standin::TranscriptFile(s_dir / "im", buyer));
    }
    static std::vector<std::string> openWindows() {
        const auto answer = platform::posix::ImRequest(s_dir / "im.sock", {"WINDOWS"}, 5s);
        EXPECT_TRUE(answer);
        return answer ? std::vector<std::string>(answer->begin() + 1, answer->end())
                      : std::vector<std::string>{"no service"};
    }

#ifdef QUORVEL_MARKET_BINARY
    static void startMarket() {
        {
            std::ofstream state(s_dir / "state.txt", std::ios::binary);
            state << "seller 掌柜 & Co\n";
        }
        s_market = std::make_unique<testing::MarketProcess>(QUORVEL_MARKET_BINARY, s_dir,
                                                            s_dir / "state.txt");
        const auto& hosts = web::Hosts();
        // Read once per process, before the first request.
        ::setenv("QUORVEL_HOST_MAP",
                 s_market->hostMap(hosts.logistics, hosts.member, hosts.login).c_str(), 1);
        web::Cookie cookie;
        cookie.name = "_quorvel_session";
        cookie.value = s_market->login(hosts.login, "demo", "demo");
        cookie.domain = ".taobao.com";
        web::CookieStore::Instance().Put(cookie);
    }
    static std::unique_ptr<testing::MarketProcess> s_market;
#endif

    static std::filesystem::path s_dir;
    static int s_count;
    std::filesystem::path m_data;
    std::unique_ptr<data::Tables> m_tables;
    std::unique_ptr<data::SettingsStore> m_store;
    platform::SystemPorts m_ports = platform::MakeSystemPorts();
    UntouchedScreen m_screen;
};

std::filesystem::path ImRoad::s_dir;
int ImRoad::s_count = 0;
#ifdef QUORVEL_MARKET_BINARY
std::unique_ptr<testing::MarketProcess> ImRoad::s_market;
#endif

TEST_F(ImRoad, InstalledStandInIsLocatedAndCarriesAMessageOnce) {
    ASSERT_EQ(locate(), data::ImClientLocation::Stored);
    EXPECT_EQ(m_store->ReadImClientPath(),
              std::filesystem::canonical(QUORVEL_STANDIN_IM_BINARY).string());
    EXPECT_EQ(locate(), data::ImClientLocation::AlreadyKnown);
    EXPECT_TRUE(m_screen.seen.empty());

    delivery::BuyerNotifier notifier(*m_store, *m_ports.launcher, *m_ports.windows, kBounds);
    const std::string message = "\xBF\xA8\xBA\xC5\xA3\xBA K1\r\nline two & \"three\"";
    EXPECT_TRUE(notifier.SendChatMessage(kSeller, kBuyer, message));
    EXPECT_EQ(transcript(kBuyer), std::vector<std::string>{message});
    EXPECT_TRUE(openWindows().empty());

    // Twice to the same buyer: the window opens and closes again.
    EXPECT_TRUE(notifier.SendChatMessage(kSeller, kBuyer, "again"));
    EXPECT_EQ(transcript(kBuyer), (std::vector<std::string>{message, "again"}));
    EXPECT_TRUE(openWindows().empty());
}

TEST_F(ImRoad, UninstalledStandInEndsTheStart) {
    ASSERT_TRUE(standin("uninstall"));
    EXPECT_THROW(locate(), UntouchedScreen::Exited);
    EXPECT_EQ(m_screen.seen, (std::vector<std::string>{
                                 "message " + std::string(text::kImMissingText.gbk),
                                 "open " + std::string(text::kImDownloadUrl.gbk), "exit 0"}));
    EXPECT_EQ(m_store->ReadImClientPath(), "");
}

TEST_F(ImRoad, AStoredPathThatIsNoClientGivesTheMessageUp) {
    ASSERT_TRUE(m_store->WriteImClientPath(m_data.string())); // a folder: "found", not a program
    ASSERT_EQ(locate(), data::ImClientLocation::AlreadyKnown);
    delivery::BuyerNotifier notifier(*m_store, *m_ports.launcher, *m_ports.windows,
                                     delivery::ChatBounds{5s, 300ms, 50ms});
    EXPECT_FALSE(notifier.SendChatMessage(kSeller, "nobody", "lost"));
    EXPECT_TRUE(transcript("nobody").empty());
}

#ifdef QUORVEL_MARKET_BINARY
TEST_F(ImRoad, WholePassTellsTheBuyerExactlyTheDeliveryText) {
    ASSERT_EQ(locate(), data::ImClientLocation::Stored);
    const std::string item = "\xD6\xDC\xBF\xA8";              // 周卡
    const std::string buyer = "\xC2\xF2\xBC\xD2\xD2\xD2 b&2"; // 买家乙 b&2
    ASSERT_TRUE(m_tables->AddWatchedItem(data::WatchedItem{item, "", 0, true}));
    ASSERT_TRUE(m_tables->AddStockCard(data::StockCard{item, "W1", "P1", 0, 0}));
    ASSERT_TRUE(m_tables->AddStockCard(data::StockCard{item, "W2", "P2", 0, 0}));
    s_market->adminPost("/admin/orders", "5001\t6001\t周卡\t5.00\t2\t买家乙 b&2\n");

    delivery::BuyerNotifier notifier(*m_store, *m_ports.launcher, *m_ports.windows, kBounds);
    const delivery::CompiledPatterns patterns;
    const delivery::PassReport report = delivery::RunDeliveryPass(
        delivery::StandardDeliveryPorts(patterns, *m_tables, notifier, delivery::DefaultFetch()));
    ASSERT_EQ(report.orders.size(), 1u);
    EXPECT_EQ(report.orders[0].outcome, delivery::OrderOutcome::Delivered);

    const std::vector<data::StockCard> cards = {{item, "W1", "P1", 0, 0}, {item, "W2", "P2", 0, 0}};
    EXPECT_EQ(transcript(buyer), std::vector<std::string>{delivery::DeliveryMessage(
                                     delivery::DeliveryText(item, cards))});
    EXPECT_TRUE(openWindows().empty());
    EXPECT_EQ(s_market->adminGet("/admin/orders"), "");
}
#endif

} // namespace
} // namespace quorvel
