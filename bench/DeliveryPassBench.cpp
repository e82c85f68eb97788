// One delivery pass of 50 orders of 3 keys each from a 100,000-card stock, against
// quorvel-market on loopback, split into network, page reading and the rest (tables, texts).
#include "MarketProcess.h"

#include "data/ShippedTables.h"
#include "data/Tables.h"
#include "delivery/CardKeyAllotment.h"
#include "delivery/DeliveryCycle.h"
#include "web/CookieStore.h"
#include "web/Endpoints.h"
#include "web/HttpFetch.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
using quorvel::delivery::OrderEntry;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

class Notifier : public quorvel::delivery::NotifierPort {
  public:
    explicit Notifier(Clock::duration& network) : m_network(network) {}
    std::string FetchSellerNick() override {
        const auto start = Clock::now();
        quorvel::web::HttpFetchRequest request;
        request.url = quorvel::web::BaseInfoUrl();
        const std::string body = quorvel::web::HttpFetch(request).body;
        m_network += Clock::now() - start;
        return quorvel::web::TextBetween(body, "\xC7\xD7\xB0\xAE\xB5\xC4<b>", "</b>");
    }
    bool SendChatMessage(std::string_view, std::string_view, std::string_view) override {
        return true;
    }

  private:
    Clock::duration& m_network;
};

// One marketplace per process: the host map is read once, at the first request.
quorvel::testing::MarketProcess& market() {
    static const auto dir = std::filesystem::temp_directory_path() /
                            ("quorvel-pass-bench-market-" + std::to_string(getpid()));
    static quorvel::testing::MarketProcess process = [] {
        std::filesystem::create_directories(dir);
        return quorvel::testing::MarketProcess(QUORVEL_MARKET_BINARY, dir);
    }();
    static const bool loggedIn = [] {
        const auto& hosts = quorvel::web::Hosts();
        setenv("QUORVEL_HOST_MAP",
               process.hostMap(hosts.logistics, hosts.member, hosts.login).c_str(), 1);
        quorvel::web::Cookie cookie;
        cookie.name = "_quorvel_session";
        cookie.value = process.login(hosts.login, "demo", "demo");
        cookie.domain = ".taobao.com";
        quorvel::web::CookieStore::Instance().Put(cookie);
        return true;
    }();
    (void)loggedIn;
    return process;
}

void BM_PassOf50Orders(benchmark::State& state) {
    static int run = 0;
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("quorvel-pass-bench-" + std::to_string(getpid()) + "-" + std::to_string(++run));
    std::filesystem::create_directories(dir / "data");
    quorvel::testing::MarketProcess& shop = market();

    quorvel::data::CreateShippedTables(dir / "data");
    quorvel::data::Tables tables(dir / "data");
    const std::string item = "Monthly card";
    tables.AddWatchedItem({item, "", 0, true});
    std::vector<quorvel::data::StockCard> cards;
    for (int i = 0; i < 100000; ++i)
        cards.push_back({item, "CARD" + std::to_string(i), "PW" + std::to_string(i), 0, 0});
    if (!tables.AddStockCards(cards))
        state.SkipWithError("cannot fill the stock");

    const quorvel::delivery::CompiledPatterns patterns;
    Clock::duration network{}, reading{}, total{};
    Notifier notifier(network);
    quorvel::delivery::Fetch fetch = [&network](const quorvel::web::HttpFetchRequest& r) {
        const auto start = Clock::now();
        auto result = quorvel::web::HttpFetch(r);
        network += Clock::now() - start;
        return result;
    };
    auto ports = quorvel::delivery::StandardDeliveryPorts(patterns, tables, notifier, fetch);
    ports.readOrders = [&] {
        quorvel::web::HttpFetchRequest request;
        request.url = quorvel::web::OrderListUrl();
        request.method = "GET";
        const std::string body = fetch(request).body;
        const auto start = Clock::now();
        auto orders =
            quorvel::delivery::ReadOrderPage(patterns, quorvel::delivery::CleanOrderPage(body))
                .orders;
        reading += Clock::now() - start;
        return orders;
    };

    static int round = 0;
    int delivered = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string lines;
        for (int i = 0; i < 50; ++i) {
            const std::string n = std::to_string(++round * 1000 + i);
            lines += n + "\t" + n + "\t" + item + "\t10.00\t3\tbuyer" + n + "\n";
        }
        shop.adminPost("/admin/orders", lines);
        state.ResumeTiming();
        const auto start = Clock::now();
        delivered += quorvel::delivery::RunDeliveryPass(ports).delivered;
        total += Clock::now() - start;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["delivered_per_pass"] = delivered / n;
    state.counters["network_ms"] = seconds(network) * 1000 / n;
    state.counters["reading_ms"] = seconds(reading) * 1000 / n;
    state.counters["tables_and_rest_ms"] = seconds(total - network - reading) * 1000 / n;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
BENCHMARK(BM_PassOf50Orders)->Unit(benchmark::kMillisecond)->Iterations(5);

// The table side of one order on its own: the two lookups and the allotment of 3 keys.
void BM_TablesOfOneOrder(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quorvel-tables-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    quorvel::data::CreateShippedTables(dir);
    quorvel::data::Tables tables(dir);
    const std::string item = "Monthly card";
    tables.AddWatchedItem({item, "", 0, true});
    std::vector<quorvel::data::StockCard> cards;
    for (int i = 0; i < 100000; ++i)
        cards.push_back({item, "CARD" + std::to_string(i), "PW" + std::to_string(i), 0, 0});
    tables.AddStockCards(cards);
    quorvel::delivery::CardKeyAllotment allotment(tables, quorvel::delivery::SystemClock());
    Clock::duration lookups{}, allot{};
    int n = 0;
    for (auto _ : state) {
        const std::string number = std::to_string(++n);
        const auto start = Clock::now();
        benchmark::DoNotOptimize(tables.IsOrderDelivered(number));
        benchmark::DoNotOptimize(tables.IsItemWatched(item));
        const auto middle = Clock::now();
        if (!allotment.ComposeDelivery(number, item, "buyer", 3))
            state.SkipWithError("allotment failed");
        allot += Clock::now() - middle;
        lookups += middle - start;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["lookups_ms"] = seconds(lookups) * 1000 / iterations;
    state.counters["allotment_ms"] = seconds(allot) * 1000 / iterations;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
BENCHMARK(BM_TablesOfOneOrder)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

BENCHMARK_MAIN();
