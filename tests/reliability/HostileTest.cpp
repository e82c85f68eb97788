// Hostile and broken surroundings: a marketplace that answers garbage, a login page, nothing,
// slowly, or dies mid-pass; an IM client that is missing, hangs or closes its window early; a
// data directory that is write protected, a disk that is full, a table file replaced by garbage.
// In every case the pass runs to its end, takes no key it cannot record, ships nothing it did
// not deliver, and delivers once the surroundings are back.
#include "ReliabilitySupport.h"

#include "data/ImClientLocator.h"
#include "delivery/BuyerNotifier.h"
#include "platform/SystemPorts.h"
#include "web/HttpFetch.h"

#include <httplib.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace quorvel::reliability {
namespace {

using delivery::OrderOutcome;

const std::string kItem = "\xD4\xC2\xBF\xA8"; // 月卡
const std::string kBuyer = "\xC2\xF2\xBC\xD2\xBC\xD7";

// A road with one watched item, five keys and two orders due (one of two keys, one of one).
class HostileRoad : public ::testing::Test {
  protected:
    void SetUp() override {
        road.watch(kItem);
        ASSERT_TRUE(road.stock(kItem, 5));
        road.order(kItem, kBuyer, 2);
        road.order(kItem, "buyer-b", 1);
    }

    // Nothing may have happened: every key in stock, no record, no message, no consignment.
    void expectUntouched(const std::string& when) {
        const auto r = road.check();
        EXPECT_TRUE(r.violations.empty()) << when << Violations(r);
        EXPECT_EQ(r.cardsInStock, 5u) << when;
        EXPECT_EQ(r.cardsDelivered, 0u) << when;
        EXPECT_TRUE(road.notifier().messages().empty()) << when;
        EXPECT_TRUE(road.market().consignments().empty()) << when;
    }

    // Back to normal: one pass delivers both orders, and the invariants hold.
    void expectRecovery(const std::string& when) {
        road.market().setMood(MarketMood::Normal);
        road.notifier().setMood(ImMood::Normal);
        const auto report = road.pass();
        EXPECT_EQ(report.delivered, 2) << when;
        const auto r = road.check();
        EXPECT_TRUE(r.violations.empty()) << when << Violations(r);
        EXPECT_EQ(r.cardsInStock, 2u) << when;
        EXPECT_EQ(r.ordersShipped, 2u) << when;
    }

    Road road;
};

// --- the marketplace -----------------------------------------------------------------------

class MarketMoods : public HostileRoad, public ::testing::WithParamInterface<MarketMood> {};

TEST_P(MarketMoods, YieldNothingThenRecover) {
    road.market().setMood(GetParam());
    for (int i = 0; i < 3; ++i) {
        const auto report = road.pass();
        EXPECT_EQ(report.delivered, 0);
        EXPECT_FALSE(report.tablesChanged);
    }
    expectUntouched("while the market is hostile");
    expectRecovery("after the market recovered");
}

std::string MarketMoodName(const ::testing::TestParamInfo<MarketMood>& info) {
    static const char* const kNames[] = {"Normal", "Garbage",       "LoginPage",
                                         "Empty",  "ChangedLayout", "DeadAfterList"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Moods, MarketMoods,
                         ::testing::Values(MarketMood::Garbage, MarketMood::LoginPage,
                                           MarketMood::Empty, MarketMood::ChangedLayout),
                         MarketMoodName);

// The market dies after serving the list: the keys are taken, recorded and sent, but the
// consignment gets no answer. Later passes never take keys for those orders again.
TEST_F(HostileRoad, MarketDyingMidPassGivesNoKeyTwice) {
    road.market().setMood(MarketMood::DeadAfterList);
    const auto report = road.pass();
    ASSERT_EQ(report.orders.size(), 2u);
    for (const auto& o : report.orders) {
        EXPECT_EQ(o.outcome, OrderOutcome::Delivered);
        EXPECT_FALSE(o.shipmentAnswered);
    }
    road.market().setMood(MarketMood::Normal);
    for (int i = 0; i < 3; ++i) {
        for (const auto& o : road.pass().orders)
            EXPECT_EQ(o.outcome, OrderOutcome::AlreadyDelivered);
    }
    const auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.cardsDelivered, 3u);
    EXPECT_EQ(road.notifier().messages().size(), 2u);
    EXPECT_EQ(r.ordersShipped, 0u);
    EXPECT_EQ(r.ordersRecordedNotShipped, 2u);
}

// --- the IM client ---------------------------------------------------------------------------

class ImMoods : public HostileRoad, public ::testing::WithParamInterface<ImMood> {};

// A message that is not handed over leaves the keys recorded under the order (so no later pass
// gives them again) and the order unshipped (so the seller sees it waiting).
TEST_P(ImMoods, KeepKeysRecordedAndShipNothing) {
    road.notifier().setMood(GetParam());
    const auto report = road.pass();
    for (const auto& o : report.orders)
        EXPECT_EQ(o.outcome, OrderOutcome::MessageFailed);
    road.notifier().setMood(ImMood::Normal);
    for (const auto& o : road.pass().orders)
        EXPECT_EQ(o.outcome, OrderOutcome::AlreadyDelivered);
    const auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.cardsDelivered, 3u);
    EXPECT_EQ(r.cardsInStock, 2u);
    EXPECT_TRUE(road.market().consignments().empty());
    EXPECT_TRUE(road.notifier().messages().empty());
}

std::string ImMoodName(const ::testing::TestParamInfo<ImMood>& info) {
    static const char* const kNames[] = {"Normal", "Missing", "Hangs", "ClosesEarly"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Moods, ImMoods,
                         ::testing::Values(ImMood::Missing, ImMood::Hangs, ImMood::ClosesEarly),
                         ImMoodName);

TEST_F(HostileRoad, UnreadableSellerNickTakesNothing) {
    road.notifier().setSellerNick("");
    for (const auto& o : road.pass().orders)
        EXPECT_EQ(o.outcome, OrderOutcome::NoSellerNick);
    expectUntouched("without the seller's nick");
    road.notifier().setSellerNick("seller");
    expectRecovery("with the nick back");
}

// The real notifier on the real process and window adapters, with a client program that is
// missing, that never ends, or that ends without opening a chat window: each send gives up
// within its bounds and answers no.
class FixedPath : public data::ImClientPathStore {
  public:
    explicit FixedPath(std::string path) : m_path(std::move(path)) {}
    std::string ReadImClientPath() override { return m_path; }
    bool WriteImClientPath(std::string_view) override { return false; }

  private:
    std::string m_path;
};

TEST(HostileImClient, RealNotifierGivesUpWithinItsBounds) {
    DataDir dir;
    const auto script = [&](const std::string& name, const std::string& body) {
        const fs::path file = dir.path() / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
        return file.string();
    };
    setenv("QUORVEL_IM_SOCKET", (dir.path() / "no-service.sock").c_str(), 1);
    const std::string clients[] = {(dir.path() / "missing-client").string(),
                                   script("hangs", "sleep 30"), script("closes", "exit 0")};
    auto ports = platform::MakeSystemPorts();
    delivery::ChatBounds bounds;
    bounds.processWait = std::chrono::milliseconds(500);
    bounds.windowSearch = std::chrono::milliseconds(500);
    bounds.searchPause = std::chrono::milliseconds(50);
    for (const auto& client : clients) {
        FixedPath path(client);
        delivery::BuyerNotifier notifier(path, *ports.launcher, *ports.windows, bounds);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(notifier.SendChatMessage("seller", "buyer", "K1")) << client;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << client;
    }
}

// --- the tables ------------------------------------------------------------------------------

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

TEST_F(HostileRoad, WriteProtectedTablesTakeNothing) {
    for (const auto id : data::kAllTables)
        fs::permissions(road.dir().file(id),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (const auto& o : road.pass().orders)
        EXPECT_EQ(o.outcome, OrderOutcome::NotAllotted);
    expectUntouched("with write-protected tables");
    for (const auto id : data::kAllTables)
        fs::permissions(road.dir().file(id), fs::perms::owner_write, fs::perm_options::add);
    expectRecovery("with writable tables");
}

// A full disk: no file may grow. SIGXFSZ is ignored so a write fails instead of ending us.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_saved{};
};

TEST_F(HostileRoad, FullDiskTakesNothing) {
    {
        FileSizeLimit full(512); // not even a journal header fits
        for (const auto& o : road.pass().orders)
            EXPECT_EQ(o.outcome, OrderOutcome::NotAllotted);
    }
    expectUntouched("with a full disk");
    expectRecovery("with space again");
}

// The disk fills up at some point of a large allotment (the journal, the super-journal or the
// growing delivered table hits the limit): the order is delivered whole or not at all, and
// delivered whole once there is space again.
TEST(HostileTables, DiskFillingDuringALargeOrderIsAllOrNothing) {
    int refused = 0;
    for (std::uintmax_t extra = 0; extra <= 64 * 1024; extra += 8 * 1024) {
        Road road;
        road.watch(kItem);
        ASSERT_TRUE(road.stock(kItem, 400));
        road.order(kItem, kBuyer, 300);
        const auto limit = fs::file_size(road.dir().file(data::TableId::Delivered)) + extra;
        OrderOutcome outcome;
        {
            FileSizeLimit full(limit);
            outcome = road.pass().orders.at(0).outcome;
        }
        refused += outcome == OrderOutcome::NotAllotted;
        auto r = road.check();
        EXPECT_TRUE(r.violations.empty()) << "limit " << limit << Violations(r);
        EXPECT_EQ(r.cardsDelivered, outcome == OrderOutcome::Delivered ? 300u : 0u) << limit;
        road.pass();
        r = road.check();
        EXPECT_TRUE(r.violations.empty()) << "limit " << limit << Violations(r);
        EXPECT_EQ(r.cardsDelivered, 300u) << "limit " << limit;
        EXPECT_EQ(r.ordersShipped, 1u) << "limit " << limit;
    }
    EXPECT_GT(refused, 0);
}

struct BrokenFile {
    const char* name;
    data::TableId table;
    OrderOutcome outcome;
    std::function<std::string(const std::string&)> breakBytes;
};

const BrokenFile kBrokenFiles[] = {
    {"StockGarbage", data::TableId::Stock, OrderOutcome::NotAllotted,
     [](const std::string& b) { return std::string(b.size(), '\x5A'); }},
    {"StockTruncated", data::TableId::Stock, OrderOutcome::NotAllotted,
     [](const std::string& b) { return b.substr(0, b.size() / 2); }},
    {"StockEmptied", data::TableId::Stock, OrderOutcome::NotAllotted,
     [](const std::string&) { return std::string(); }},
    {"DeliveredGarbage", data::TableId::Delivered, OrderOutcome::DeliveredTableUnavailable,
     [](const std::string& b) { return "SQLite format 3" + std::string(b.size(), '\x01'); }},
    {"DeliveredTruncated", data::TableId::Delivered, OrderOutcome::DeliveredTableUnavailable,
     [](const std::string& b) { return b.substr(0, 100); }},
    {"WatchedGarbage", data::TableId::Watched, OrderOutcome::NotWatched,
     [](const std::string& b) { return std::string(b.size(), '\xFF'); }},
};

class BrokenTableFile : public HostileRoad, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(BrokenTableFile, TakesNothingUntilRestored) {
    const fs::path file = road.dir().file(GetParam().table);
    const std::string good = ReadBytes(file);
    WriteBytes(file, GetParam().breakBytes(good));
    const auto report = road.pass();
    ASSERT_FALSE(report.orders.empty());
    for (const auto& o : report.orders)
        EXPECT_EQ(o.outcome, GetParam().outcome);
    EXPECT_EQ(report.delivered, 0);
    EXPECT_TRUE(road.notifier().messages().empty());
    EXPECT_TRUE(road.market().consignments().empty());
    WriteBytes(file, good);
    expectUntouched("after the file was restored");
    expectRecovery("with the file restored");
}

std::string BrokenFileName(const ::testing::TestParamInfo<BrokenFile>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenTableFile, ::testing::ValuesIn(kBrokenFiles), BrokenFileName);

// 监控宝贝 swapped for garbage and back again and again while passes run: no pass fails, no key
// is lost or doubled, and every order is delivered in the end.
TEST(HostileTables, WatchListSwappedWhilePassesRun) {
    Road road;
    road.watch(kItem);
    ASSERT_TRUE(road.stock(kItem, 40));
    for (int i = 0; i < 20; ++i)
        road.order(kItem, i % 2 ? kBuyer : "buyer-b", 1 + i % 2);
    const fs::path file = road.dir().file(data::TableId::Watched);
    const std::string good = ReadBytes(file);
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        for (int i = 0; !stop; ++i) {
            const fs::path next = file.string() + ".next";
            WriteBytes(next, i % 2 ? good : std::string(good.size(), '\x33'));
            fs::rename(next, file); // an atomic replace, as a copy tool or a restore does it
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    for (int i = 0; i < 40 && road.market().waiting() > 0; ++i)
        road.pass();
    stop = true;
    swapper.join();
    WriteBytes(file, good);
    for (int i = 0; i < 3 && road.market().waiting() > 0; ++i)
        road.pass();
    const auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(road.market().waiting(), 0u);
    EXPECT_EQ(r.cardsDelivered, 30u);
}

// --- a real slow and a real dying server -----------------------------------------------------

// HttpFetch over loopback through the host map, against a server whose answers can be delayed
// past the time-out, or that refuses the consignment. The host map is read once per process,
// so one server on one port serves every test of the suite, on behalf of the running test.
class SlowServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        s_server = std::make_unique<httplib::Server>();
        const int port = s_server->bind_to_any_port("127.0.0.1");
        const auto& hosts = web::Hosts();
        const std::string plain = "127.0.0.1:" + std::to_string(port);
        setenv("QUORVEL_HOST_MAP",
               (hosts.logistics + "=" + plain + "," + hosts.member + "=" + plain).c_str(), 1);
        // The server answers what the running test's fake market would.
        s_server->Get(".*", [](const httplib::Request& req, httplib::Response& res) {
            const InFlight guard;
            std::this_thread::sleep_for(s_current.load()->listDelay.load());
            web::HttpFetchRequest r;
            r.url = "http://" + req.get_header_value("Host") + req.target;
            res.set_content(s_current.load()->road.market().fetch()(r).body,
                            "text/html; charset=gbk");
        });
        s_server->Post(".*", [](const httplib::Request& req, httplib::Response& res) {
            const InFlight guard;
            if (s_current.load()->consignDead) {
                res.status = 503; // the marketplace took nothing
                return;
            }
            web::HttpFetchRequest r;
            r.url = "http://" + req.get_header_value("Host") + req.target;
            r.method = "POST";
            res.set_content(s_current.load()->road.market().fetch()(r).body, "text/plain");
        });
        s_thread = std::thread([] { s_server->listen_after_bind(); });
        while (!s_server->is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    static void TearDownTestSuite() {
        s_server->stop();
        s_thread.join();
        s_server.reset();
    }

    // A request the client gave up on may still be in its handler: it must finish before the
    // test that it belongs to goes away.
    void TearDown() override {
        while (s_inFlight > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    void SetUp() override {
        s_current = this;
        road.watch(kItem);
        ASSERT_TRUE(road.stock(kItem, 5));
        road.order(kItem, kBuyer, 2);
    }

    delivery::PassReport pass(int timeoutSeconds) {
        const delivery::Fetch fetch = [timeoutSeconds](const web::HttpFetchRequest& r) {
            web::HttpFetchRequest bounded = r;
            bounded.timeoutSeconds = timeoutSeconds;
            return web::HttpFetch(bounded);
        };
        const delivery::CompiledPatterns patterns;
        return delivery::RunDeliveryPass(
            delivery::StandardDeliveryPorts(patterns, road.tables(), road.notifier(), fetch));
    }

    static std::unique_ptr<httplib::Server> s_server;
    static std::thread s_thread;
    static std::atomic<SlowServer*> s_current;
    static std::atomic<int> s_inFlight;
    struct InFlight {
        InFlight() { ++s_inFlight; }
        ~InFlight() { --s_inFlight; }
        InFlight(const InFlight&) = delete;
        InFlight& operator=(const InFlight&) = delete;
    };
    Road road;
    std::atomic<std::chrono::milliseconds> listDelay{std::chrono::milliseconds(0)};
    std::atomic<bool> consignDead{false};
};

std::unique_ptr<httplib::Server> SlowServer::s_server;
std::thread SlowServer::s_thread;
std::atomic<SlowServer*> SlowServer::s_current{nullptr};
std::atomic<int> SlowServer::s_inFlight{0};

TEST_F(SlowServer, ListPastTheTimeOutTakesNothing) {
    listDelay = std::chrono::milliseconds(2500);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(pass(1).orders.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2400));
    auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.cardsDelivered, 0u);
    listDelay = std::chrono::milliseconds(300); // slow, but within the time-out
    EXPECT_EQ(pass(2).delivered, 1);
    r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.ordersShipped, 1u);
}

TEST_F(SlowServer, ConsignmentRefusedShipsNothingAndGivesNoKeyTwice) {
    consignDead = true;
    const auto report = pass(2);
    ASSERT_EQ(report.orders.size(), 1u);
    EXPECT_EQ(report.orders[0].outcome, OrderOutcome::Delivered);
    consignDead = false;
    EXPECT_EQ(pass(2).orders.at(0).outcome, OrderOutcome::AlreadyDelivered);
    const auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.cardsDelivered, 2u);
    EXPECT_EQ(road.notifier().messages().size(), 1u);
}

} // namespace
} // namespace quorvel::reliability
