// Whole delivery passes against quorvel-market on loopback: the real reader, allotment, tables
// and consignment over HttpFetch through the host map; only the IM client is replaced.
#include "MarketProcess.h"

#include "delivery/DeliveryCycle.h"
#include "delivery/DeliveryTestSupport.h"
#include "text/Texts.h"
#include "web/CookieStore.h"
#include "web/Endpoints.h"
#include "web/HttpFetch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace quorvel::delivery {
namespace {

const std::string kMonthCard = "\xD4\xC2\xBF\xA8";              // 月卡
const std::string kBuyerA = "\xC2\xF2\xBC\xD2\xBC\xD7";         // 买家甲
const std::string kBuyerB = "\xC2\xF2\xBC\xD2\xD2\xD2";         // 买家乙
const std::string kSeller = "\xD5\xC6\xB9\xF1\xD0\xA1\xC3\xF7"; // 掌柜小明

// The IM client stand-in of this test: the nickname comes from the real base-info page, the
// messages are recorded.
class PageNickNotifier : public testing::RecordingNotifier {
  public:
    std::string FetchSellerNick() override {
        ++nickFetches;
        web::HttpFetchRequest request;
        request.url = web::BaseInfoUrl();
        request.method = "GET";
        return web::TextBetween(web::HttpFetch(request).body, text::kSellerNickStart.gbk,
                                text::kSellerNickEnd.gbk);
    }
};

std::vector<std::vector<std::string>> tsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> row;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            row.push_back(line.substr(start, tab - start));
        row.push_back(line.substr(start));
        rows.push_back(row);
    }
    return rows;
}

std::string unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

class DeliveryRoad : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_dir =
            std::filesystem::temp_directory_path() / ("quorvel-road-" + std::to_string(getpid()));
        std::filesystem::create_directories(s_dir);
        {
            std::ofstream state(s_dir / "state.txt", std::ios::binary);
            state << "seller 掌柜小明\n";
        }
        s_market = std::make_unique<testing::MarketProcess>(QUORVEL_MARKET_BINARY, s_dir,
                                                            s_dir / "state.txt");
        const auto& hosts = web::Hosts();
        // Read once per process, before the first request.
        setenv("QUORVEL_HOST_MAP",
               s_market->hostMap(hosts.logistics, hosts.member, hosts.login).c_str(), 1);
        // The session arrives as the login browser leaves it: a cookie for .taobao.com.
        web::Cookie cookie;
        cookie.name = "_quorvel_session";
        cookie.value = s_market->login(hosts.login, "demo", "demo");
        cookie.domain = ".taobao.com";
        web::CookieStore::Instance().Put(cookie);
    }
    static void TearDownTestSuite() {
        s_market.reset();
        std::error_code ignored;
        std::filesystem::remove_all(s_dir, ignored);
    }

    PassReport pass() {
        DeliveryPorts ports =
            StandardDeliveryPorts(m_patterns, t.tables(), notifier, DefaultFetch());
        return RunDeliveryPass(ports);
    }

    static std::filesystem::path s_dir;
    static std::unique_ptr<testing::MarketProcess> s_market;
    const CompiledPatterns m_patterns;
    testing::TempTables t;
    PageNickNotifier notifier;
};

std::filesystem::path DeliveryRoad::s_dir;
std::unique_ptr<testing::MarketProcess> DeliveryRoad::s_market;

TEST_F(DeliveryRoad, DeliversOnceConsignsExactlyAndLeavesTheListEmpty) {
    t.watch(kMonthCard);
    for (int i = 1; i <= 4; ++i)
        t.stock(kMonthCard, "K" + std::to_string(i), "P" + std::to_string(i));
    s_market->adminPost("/admin/orders", "2001\t7001\t月卡\t12.50\t3\t买家甲\n"
                                         "2002\t7002\t周卡\t5.00\t1\t买家乙\n"
                                         "2003\t7003\t月卡\t12.50\t1\t买家乙\n");

    PassReport r = pass();
    ASSERT_EQ(r.orders.size(), 3u);
    EXPECT_EQ(r.orders[0].outcome, OrderOutcome::Delivered);
    EXPECT_EQ(r.orders[0].order.amount, 37.5f);
    EXPECT_EQ(r.orders[1].outcome, OrderOutcome::NotWatched);
    EXPECT_EQ(r.orders[2].outcome, OrderOutcome::Delivered);
    EXPECT_TRUE(r.orders[0].shipmentAnswered);
    ASSERT_EQ(notifier.messages.size(), 2u);
    EXPECT_EQ(notifier.messages[0].seller, kSeller);
    EXPECT_EQ(notifier.messages[0].buyer, kBuyerA);
    EXPECT_EQ(notifier.messages[1].buyer, kBuyerB);
    EXPECT_NE(notifier.messages[1].text.find("K4"), std::string::npos);
    EXPECT_TRUE(t.stockNumbers(kMonthCard).empty());
    EXPECT_EQ(t.tables().ReadDeliveredRecordsOf("2001").size(), 3u);

    const auto consigned = tsv(s_market->adminGet("/admin/consignments"));
    ASSERT_EQ(consigned.size(), 2u);
    EXPECT_EQ(consigned[0][0], "trade_id=2001&order_id=7001");
    EXPECT_EQ(consigned[1][0], "trade_id=2003&order_id=7003");
    for (const auto& row : consigned) {
        EXPECT_EQ(unhex(row[1]), text::kConsignBody.gbk);
        EXPECT_EQ(unhex(row[1]).size(), 215u);
        EXPECT_EQ(row[2], "1");
    }
    // Only the unwatched order stays waiting.
    const auto left = tsv(s_market->adminGet("/admin/orders"));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0][0], "2002");

    // The next pass finds nothing due.
    notifier.messages.clear();
    r = pass();
    ASSERT_EQ(r.orders.size(), 1u);
    EXPECT_EQ(r.orders[0].outcome, OrderOutcome::NotWatched);
    EXPECT_EQ(r.delivered, 0);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(tsv(s_market->adminGet("/admin/consignments")).size(), 2u);
}

TEST_F(DeliveryRoad, ShortStockDeliversNothingUntilRestocked) {
    const std::string item = "\xC4\xEA\xBF\xA8"; // 年卡
    t.watch(item);
    t.stock(item, "Y1", "Q1");
    const std::size_t consignedBefore = tsv(s_market->adminGet("/admin/consignments")).size();
    s_market->adminPost("/admin/orders", "3001\t8001\t年卡\t99\t2\t买家甲\n");

    PassReport r = pass();
    ASSERT_FALSE(r.orders.empty());
    EXPECT_EQ(r.orders.back().outcome, OrderOutcome::NotAllotted);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(t.stockNumbers(item), (std::vector<std::string>{"Y1"}));
    EXPECT_EQ(tsv(s_market->adminGet("/admin/consignments")).size(), consignedBefore);

    t.stock(item, "Y2", "Q2");
    r = pass();
    EXPECT_EQ(r.orders.back().outcome, OrderOutcome::Delivered);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(tsv(s_market->adminGet("/admin/consignments")).size(), consignedBefore + 1);
    for (const auto& row : tsv(s_market->adminGet("/admin/orders")))
        EXPECT_NE(row[0], "3001");
}

TEST_F(DeliveryRoad, WithoutTheSessionTheListYieldsNothing) {
    t.watch(kMonthCard);
    t.stock(kMonthCard, "Z1", "Z1");
    s_market->adminPost("/admin/orders", "4001\t9001\t月卡\t1\t1\t买家甲\n");
    const auto saved = web::CookieStore::Instance().All();
    web::CookieStore::Instance().Clear();
    const PassReport r = pass();
    for (const auto& c : saved)
        web::CookieStore::Instance().Put(c);
    EXPECT_TRUE(r.orders.empty());
    EXPECT_EQ(t.stockNumbers(kMonthCard), (std::vector<std::string>{"Z1"}));
    // With it back, the order is delivered.
    EXPECT_EQ(pass().delivered, 1);
}

} // namespace
} // namespace quorvel::delivery
