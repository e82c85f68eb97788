// quorvel-crashtest: kills delivery passes at random moments and checks, from outside, that no
// card key was lost, given twice or sent to the wrong buyer.
//
//   quorvel-crashtest run [--kills N] [--seed S] [--max-delay-ms D] [--market PATH]
//                         [--work DIR] [--keep] [--quiet] [--workers N] [--seller]
//       Starts quorvel-market, real table files in a fresh directory, and then N times: a worker
//       process running passes back to back, SIGKILL after a random delay, the checks. Orders
//       and stock keep arriving (some while the worker runs, from this process). At the end the
//       stock is topped up, one worker runs to completion, and every order due must be done.
//       Prints one summary line; exit code 1 on any violation, 2 on a set-up failure.
//       --workers N runs N workers at once on the same files, as when the program is started
//       twice. --seller adds a process that loads and deletes keys in a loop, killed with them.
//
//   quorvel-crashtest seller DATA_DIR LOG PREFIX ITEM...
//       That process: logs each step before and after it, so the checks know what happened.
//
//   quorvel-crashtest worker DATA_DIR SESSION MESSAGE_LOG [PASSES]
//       The child: passes in a loop (forever, or PASSES times) with QUORVEL_HOST_MAP from the
//       environment, the session cookie SESSION, and a notifier that appends each message to
//       MESSAGE_LOG (one write per message) and reads the seller's nick from the member page.
#include "InvariantCheck.h"
#include "MarketProcess.h"

#include "data/ShippedTables.h"
#include "data/Tables.h"
#include "delivery/DeliveryCycle.h"
#include "text/Texts.h"
#include "web/CookieStore.h"
#include "web/Endpoints.h"
#include "web/HttpFetch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifndef QUORVEL_MARKET_BINARY
#define QUORVEL_MARKET_BINARY "quorvel-market"
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace quorvel;

// --- worker ------------------------------------------------------------------------------------

class LogNotifier : public delivery::NotifierPort {
  public:
    explicit LogNotifier(const std::string& file)
        : m_fd(open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644)) {}
    ~LogNotifier() override { close(m_fd); }
    LogNotifier(const LogNotifier&) = delete;
    LogNotifier& operator=(const LogNotifier&) = delete;

    std::string FetchSellerNick() override {
        web::HttpFetchRequest request;
        request.url = web::BaseInfoUrl();
        request.method = "GET";
        request.timeoutSeconds = 10;
        return web::TextBetween(web::HttpFetch(request).body, text::kSellerNickStart.gbk,
                                text::kSellerNickEnd.gbk);
    }
    bool SendChatMessage(std::string_view, std::string_view buyer,
                         std::string_view message) override {
        const std::string line =
            crashtest::MessageLogLine(std::string(buyer), std::string(message));
        // One write: a kill cannot leave half a line.
        return write(m_fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    }

  private:
    int m_fd;
};

int RunWorker(int argc, char** argv) {
    if (argc < 5) {
        std::cerr << "usage: quorvel-crashtest worker DATA_DIR SESSION MESSAGE_LOG [PASSES]\n";
        return 2;
    }
    const fs::path dataDir = argv[2];
    web::Cookie cookie;
    cookie.name = "_quorvel_session";
    cookie.value = argv[3];
    cookie.domain = ".taobao.com";
    web::CookieStore::Instance().Put(cookie);
    const long passes = argc > 5 ? std::atol(argv[5]) : 0;

    const delivery::CompiledPatterns patterns;
    data::Tables tables(dataDir);
    LogNotifier notifier(argv[4]);
    const delivery::Fetch fetch = [](const web::HttpFetchRequest& r) {
        web::HttpFetchRequest bounded = r;
        bounded.timeoutSeconds = 10; // a wedged market must not stall the harness for 90 s
        return web::HttpFetch(bounded);
    };
    const delivery::DeliveryPorts ports =
        delivery::StandardDeliveryPorts(patterns, tables, notifier, fetch);
    for (long i = 0; passes == 0 || i < passes; ++i) {
        (void)delivery::RunDeliveryPass(ports);
    }
    return 0;
}

// --- seller ------------------------------------------------------------------------------------

// The window's stock page in a process of its own, so that a kill can cut its sequences short
// too: loads keys in bulk and deletes keys by id, in a loop. Each step is logged before it is
// tried ("add", "del") and after it answered yes ("added", "deleted"), one write per line.
int RunSeller(int argc, char** argv) {
    if (argc < 6) {
        std::cerr << "usage: quorvel-crashtest seller DATA_DIR LOG PREFIX ITEM...\n";
        return 2;
    }
    data::Tables tables(argv[2]);
    const int log = open(argv[3], O_WRONLY | O_APPEND | O_CREAT, 0644);
    const std::string prefix = argv[4];
    std::vector<std::string> items(argv + 5, argv + argc);
    std::mt19937 random(static_cast<unsigned>(getpid()));
    const auto say = [log](const std::string& line) {
        const std::string text = line + "\n";
        return write(log, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    };
    for (int round = 0;; ++round) {
        const std::string& item = items[random() % items.size()];
        if (random() % 3 != 0) {
            std::vector<data::StockCard> cards;
            std::string numbers;
            for (int i = 0; i < 1 + static_cast<int>(random() % 4); ++i) {
                const std::string n = prefix + std::to_string(round) + "-" + std::to_string(i);
                cards.push_back({item, n, "P" + n, 0, 0});
                numbers += "\t" + n;
            }
            say("add\t" + item + numbers);
            if (tables.AddStockCards(cards)) {
                say("added" + numbers);
            }
        } else {
            const auto cards = tables.ReadStockCards(item);
            if (cards.empty()) {
                continue;
            }
            const auto& card = cards[random() % cards.size()];
            say("del\t" + card.cardNumber);
            if (tables.MarkStockCardsById({card.id})) {
                say("deleted\t" + card.cardNumber);
            }
            (void)tables.PurgeStock();
        }
    }
}

// --- orchestrator ------------------------------------------------------------------------------

struct Item {
    std::string gbk;      // as stored in the tables and read from the page
    std::string pageUtf8; // as the order line gives it to the market (entities allowed)
    bool watched;
};

// 月卡, a title with an entity the reader cleans, plain ones, and one nobody watches.
const std::vector<Item> kItems = {
    {"\xD4\xC2\xBF\xA8", "月卡", true},
    {"Game \xA1\xAA pass", "Game &mdash; pass", true},
    {"Week card", "Week card", true},
    {"Year card", "Year card", true},
    {"Unwatched card", "Unwatched card", false},
};
const std::vector<std::pair<std::string, std::string>> kBuyers = {
    {"\xC2\xF2\xBC\xD2\xBC\xD7", "买家甲"},
    {"buyer-b", "buyer-b"},
    {"buyer-c", "buyer-c"},
    {"\xC2\xF2\xBC\xD2\xD2\xD2", "买家乙"}};

// Ctrl-C or SIGTERM ends a long run at the next kill, with the market stopped and the
// summary printed.
volatile std::sig_atomic_t g_stop = 0;
extern "C" void onStopSignal(int) {
    g_stop = 1;
}

struct Options {
    int kills = 40;
    unsigned seed = 0;
    int maxDelayMs = 250;
    std::string market = QUORVEL_MARKET_BINARY;
    fs::path work;
    bool keep = false;
    bool quiet = false;
    int workers = 1;     // more than one: the program started twice on the same data directory
    bool seller = false; // a seller process loads and deletes keys beside the workers
};

class Harness {
  public:
    Harness(const Options& options, const std::string& self)
        : m_options(options), m_self(self), m_random(options.seed) {}

    int run() {
        setUp();
        int violations = 0;
        int kills = 0;
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
        for (; kills < m_options.kills && g_stop == 0; ++kills) {
            maybeAddOrders();
            maybeAddStock(false);
            std::vector<pid_t> children;
            for (int w = 0; w < m_options.workers; ++w) {
                children.push_back(spawnWorker(0));
            }
            if (m_options.seller) {
                children.push_back(spawnSeller(kills));
            }
            const int delay = killDelay();
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(delay);
            if (chance(40)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay / 2));
                // The seller loads or deletes keys while a pass runs.
                if (chance(50)) {
                    maybeAddStock(true);
                } else {
                    deleteOneKey();
                }
            }
            std::this_thread::sleep_until(until);
            for (const pid_t child : children) {
                kill(child, SIGKILL);
                int status = 0;
                waitpid(child, &status, 0);
                if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) {
                    report("worker ended by itself (status " + std::to_string(status) + ")");
                    ++violations;
                }
            }
            readSellerLog();
            violations += check("after kill " + std::to_string(kills + 1), false);
            if (!m_options.quiet && (kills + 1) % 100 == 0) {
                std::cout << "crash: " << kills + 1 << " kills, " << violations << " violations\n"
                          << std::flush;
            }
        }
        const std::size_t deliveredUnderKills = m_last.ordersWithRecords;
        // Recovery: enough stock for every order, then one worker runs undisturbed.
        topUpStock();
        const pid_t last = spawnWorker(3);
        int status = 0;
        waitpid(last, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            report("the final worker failed (status " + std::to_string(status) + ")");
            ++violations;
        }
        violations += check("after recovery", true);
        std::printf(
            "crash: %s: %d kills survived, %d violations; orders %zu delivered while being "
            "killed, %zu shipped in all, %zu recorded but not shipped (killed between "
            "allotment and consignment), %zu waiting; keys %zu in stock, %zu delivered, "
            "%zu deleted by the seller, %zu cut off in a seller step by a kill; %zu messages\n",
            violations == 0 ? "OK" : "FAILED", kills, violations, deliveredUnderKills,
            m_last.ordersShipped, m_last.ordersRecordedNotShipped, m_last.ordersWaiting,
            m_last.cardsInStock, m_last.cardsDelivered, m_ledger.deletedBySeller.size(),
            m_ledger.uncertain.size(), m_messages);
        if (!m_options.keep) {
            m_market.reset();
            std::error_code ec;
            fs::remove_all(m_dir, ec);
        } else {
            std::printf("crash: kept %s\n", m_dir.c_str());
        }
        return violations == 0 ? 0 : 1;
    }

  private:
    void setUp() {
        m_dir = m_options.work.empty()
                    ? fs::temp_directory_path() / ("quorvel-crash-" + std::to_string(getpid()))
                    : m_options.work;
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "data");
        std::string why;
        if (!data::CreateShippedTables(m_dir / "data", &why)) {
            throw std::runtime_error("cannot create tables: " + why);
        }
        std::ofstream(m_dir / "state.txt") << "seller 掌柜小明\n";
        m_market =
            std::make_unique<testing::MarketProcess>(m_options.market, m_dir, m_dir / "state.txt");
        const auto& hosts = web::Hosts();
        setenv("QUORVEL_HOST_MAP",
               m_market->hostMap(hosts.logistics, hosts.member, hosts.login).c_str(), 1);
        m_session = m_market->adminPost("/admin/session", "");
        while (!m_session.empty() && (m_session.back() == '\n' || m_session.back() == '\r')) {
            m_session.pop_back();
        }
        data::Tables tables(m_dir / "data");
        for (const Item& item : kItems) {
            if (item.watched && !tables.AddWatchedItem({item.gbk, "", 0, true})) {
                throw std::runtime_error("cannot add a watched item");
            }
        }
        for (const Item& item : kItems) {
            addStock(item.gbk, pick(0, 12));
        }
        addOrders(30);
    }

    bool chance(int percent) { return pick(0, 99) < percent; }
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    int killDelay() {
        // Half the kills early (start-up, first request, first allotment), half anywhere.
        return chance(50) ? pick(0, 40) : pick(0, m_options.maxDelayMs);
    }

    void addOrders(int count) {
        std::string lines;
        std::vector<crashtest::KnownOrder> added;
        for (int i = 0; i < count; ++i) {
            const Item& item = kItems[static_cast<std::size_t>(pick(0, int(kItems.size()) - 1))];
            const auto& buyer = kBuyers[static_cast<std::size_t>(pick(0, int(kBuyers.size()) - 1))];
            crashtest::KnownOrder o;
            o.number = std::to_string(100000 + m_nextOrder);
            o.id = std::to_string(700000 + m_nextOrder);
            ++m_nextOrder;
            o.item = item.gbk;
            o.buyer = buyer.first;
            o.quantity = chance(5) ? 0 : pick(1, 4);
            o.deliverable = item.watched && o.quantity >= 1;
            lines += o.number + "\t" + o.id + "\t" + item.pageUtf8 + "\t9.90\t" +
                     std::to_string(o.quantity) + "\t" + buyer.second + "\n";
            added.push_back(o);
        }
        m_market->adminPost("/admin/orders", lines); // all or none
        for (auto& o : added) {
            m_ledger.orders[o.number] = o;
        }
    }

    void maybeAddOrders() {
        if (chance(30)) {
            addOrders(pick(1, 3));
        }
    }

    // Known only once the add answered yes: the add is one transaction.
    void addStock(const std::string& item, int count) {
        std::vector<data::StockCard> cards;
        for (int i = 0; i < count; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "K%07d", m_nextCard);
            char password[16];
            std::snprintf(password, sizeof password, "P%07d", m_nextCard);
            ++m_nextCard;
            cards.push_back({item, number, password, 0, 0});
        }
        if (cards.empty()) {
            return;
        }
        if (data::Tables(m_dir / "data").AddStockCards(cards)) {
            for (const auto& c : cards) {
                m_ledger.cards[c.cardNumber] = {c.itemName, c.cardNumber, c.cardPassword};
            }
        } else {
            ++m_failedAdds;
        }
    }

    void maybeAddStock(bool duringPass) {
        if (duringPass || chance(35)) {
            const Item& item = kItems[static_cast<std::size_t>(pick(0, int(kItems.size()) - 1))];
            addStock(item.gbk, pick(1, 5));
        }
    }

    // The stock page's "删除库存": mark by the id shown, then purge. A key marked but not
    // purged (the purge failed) is on its way out and no pass takes it.
    void deleteOneKey() {
        data::Tables tables(m_dir / "data");
        const Item& item = kItems[static_cast<std::size_t>(pick(0, int(kItems.size()) - 1))];
        const auto cards = tables.ReadStockCards(item.gbk);
        if (cards.empty()) {
            return;
        }
        const auto& card = cards[static_cast<std::size_t>(pick(0, int(cards.size()) - 1))];
        if (tables.MarkStockCardsById({card.id})) {
            m_ledger.deletedBySeller.insert(card.cardNumber);
            (void)tables.PurgeStock();
        }
    }

    void topUpStock() {
        std::map<std::string, int> demand;
        for (const auto& [number, o] : m_ledger.orders) {
            if (o.deliverable) {
                demand[o.item] += o.quantity;
            }
        }
        for (const auto& [item, count] : demand) {
            addStock(item, count); // more than enough: some orders are done already
        }
    }

    pid_t spawnSeller(int round) {
        std::vector<std::string> args = {m_self, "seller", (m_dir / "data").string(),
                                         (m_dir / "seller.log").string(),
                                         "S" + std::to_string(round) + "-"};
        for (const Item& item : kItems) {
            args.push_back(item.gbk);
        }
        return spawn(args);
    }

    // What the killed seller did: confirmed adds enter the ledger, confirmed deletes leave the
    // stock, and a step without its confirmation may or may not have happened.
    void readSellerLog() {
        std::ifstream in(m_dir / "seller.log", std::ios::binary);
        std::string line;
        std::map<std::string, std::string> pendingAdd; // number -> item
        std::set<std::string> pendingDelete;
        while (std::getline(in, line)) {
            std::vector<std::string> f;
            std::size_t start = 0;
            for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
                 start = tab + 1) {
                f.push_back(line.substr(start, tab - start));
            }
            f.push_back(line.substr(start));
            if (f[0] == "add") {
                for (std::size_t i = 2; i < f.size(); ++i) {
                    pendingAdd[f[i]] = f[1];
                }
            } else if (f[0] == "added") {
                for (std::size_t i = 1; i < f.size(); ++i) {
                    m_ledger.cards[f[i]] = {pendingAdd[f[i]], f[i], "P" + f[i]};
                    pendingAdd.erase(f[i]);
                }
            } else if (f[0] == "del" && f.size() > 1) {
                pendingDelete.insert(f[1]);
            } else if (f[0] == "deleted" && f.size() > 1) {
                m_ledger.deletedBySeller.insert(f[1]);
                pendingDelete.erase(f[1]);
            }
        }
        for (const auto& [number, item] : pendingAdd) {
            m_ledger.cards[number] = {item, number, "P" + number};
            m_ledger.uncertain.insert(number);
        }
        for (const auto& number : pendingDelete) {
            m_ledger.uncertain.insert(number);
        }
        std::error_code ec;
        fs::remove(m_dir / "seller.log", ec);
    }

    pid_t spawn(std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, m_self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot start " + args[1]);
        }
        return pid;
    }

    pid_t spawnWorker(int passes) {
        std::vector<std::string> args = {m_self,
                                         "worker",
                                         (m_dir / "data").string(),
                                         m_session,
                                         (m_dir / "messages.log").string(),
                                         std::to_string(passes)};
        return spawn(args);
    }

    int check(const std::string& when, bool final) {
        const auto consignments =
            crashtest::ParseConsignments(m_market->adminGet("/admin/consignments"));
        const auto messages = crashtest::ReadMessageLog(m_dir / "messages.log");
        m_messages = messages.size();
        m_last = crashtest::CheckInvariants(m_dir / "data", m_ledger, consignments, messages);
        auto violations = m_last.violations;
        if (final && m_last.ordersWaiting != 0) {
            violations.push_back(std::to_string(m_last.ordersWaiting) +
                                 " orders still waiting with enough keys in stock");
        }
        for (const auto& v : violations) {
            report(when + ": " + v);
        }
        return static_cast<int>(violations.size());
    }

    void report(const std::string& line) {
        if (m_reported++ < 40) {
            std::printf("crash: VIOLATION %s\n", line.c_str());
        }
    }

    Options m_options;
    std::string m_self;
    std::mt19937 m_random;
    fs::path m_dir;
    std::unique_ptr<testing::MarketProcess> m_market;
    std::string m_session;
    crashtest::Ledger m_ledger;
    crashtest::CheckResult m_last;
    std::size_t m_messages = 0;
    int m_nextOrder = 0;
    int m_nextCard = 0;
    int m_failedAdds = 0;
    int m_reported = 0;
};

int RunHarness(int argc, char** argv) {
    Options o;
    o.seed = static_cast<unsigned>(std::random_device{}());
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw std::runtime_error(a + " needs a value");
            }
            return argv[++i];
        };
        if (a == "--kills") {
            o.kills = std::stoi(value());
        } else if (a == "--seed") {
            o.seed = static_cast<unsigned>(std::stoul(value()));
        } else if (a == "--max-delay-ms") {
            o.maxDelayMs = std::stoi(value());
        } else if (a == "--market") {
            o.market = value();
        } else if (a == "--work") {
            o.work = value();
        } else if (a == "--seller") {
            o.seller = true;
        } else if (a == "--workers") {
            o.workers = std::stoi(value());
        } else if (a == "--keep") {
            o.keep = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else {
            throw std::runtime_error("unknown option " + a);
        }
    }
    if (!o.quiet) {
        std::printf("crash: seed %u, %d kills, delays up to %d ms\n", o.seed, o.kills,
                    o.maxDelayMs);
    }
    // The worker is this program again.
    const std::string self = fs::canonical("/proc/self/exe").string();
    return Harness(o, self).run();
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "worker") {
            return RunWorker(argc, argv);
        }
        if (mode == "seller") {
            return RunSeller(argc, argv);
        }
        if (mode == "run") {
            return RunHarness(argc, argv);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel-crashtest: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "usage: quorvel-crashtest run [options] | worker ...\n");
    return 2;
}
