// Delivery passes back to back on a worker while the seller's sequences (items added, renamed
// and deleted; keys loaded and deleted by id; every list reloaded) run in a tight loop on
// another thread: no key lost or given twice, and no sequence of either side fails because the
// other held a table.
#include "ReliabilitySupport.h"

#include "text/Texts.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace quorvel::reliability {
namespace {

const std::string kMonth = "\xD4\xC2\xBF\xA8"; // 月卡
const std::string kWeek = "Week card";
const std::string kBuyers[] = {"\xC2\xF2\xBC\xD2\xBC\xD7", "buyer-b", "buyer-c"};

// The seller's side: one round of everything the window does to the tables.
class Seller {
  public:
    Seller(Road& road, std::mt19937& random) : m_road(road), m_random(random) {}

    int failures = 0;
    std::vector<std::string> failed;

    void round(int i) {
        expect(m_road.stock(pick(0, 1) ? kMonth : kWeek, pick(1, 3)), "add keys");
        deleteOneKey(pick(0, 1) ? kMonth : kWeek);
        churnItem(i);
        reloadLists();
        if (pick(0, 3) == 0)
            m_road.order(pick(0, 1) ? kMonth : kWeek, kBuyers[pick(0, 2)], pick(1, 3));
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    void expect(bool ok, const char* what) {
        if (!ok) {
            ++failures;
            if (failed.size() < 10)
                failed.emplace_back(what);
        }
    }

    // The stock page's "删除库存": by the stable ids of the rows shown.
    void deleteOneKey(const std::string& item) {
        const auto cards = m_road.tables().ReadStockCards(item);
        if (cards.empty())
            return;
        const auto& card = cards[static_cast<std::size_t>(pick(0, int(cards.size()) - 1))];
        expect(m_road.tables().MarkStockCardsById({card.id}), "mark a key by id");
        expect(m_road.tables().PurgeStock(), "purge the stock");
        m_road.deleted(card.cardNumber);
    }

    // An item nobody orders: added, given keys, renamed with its keys, deleted with its keys.
    void churnItem(int i) {
        auto& t = m_road.tables();
        const std::string name = "Churn " + std::to_string(i);
        const std::string renamed = name + " renamed";
        expect(t.AddWatchedItem({name, "note", 2, true}), "add an item");
        expect(m_road.stock(name, 2), "add keys of a new item");
        const auto items = t.ReadWatchedItems();
        const auto at = std::find_if(items.begin(), items.end(),
                                     [&](const data::WatchedItem& w) { return w.name == name; });
        expect(at != items.end(), "find the new item");
        if (at == items.end())
            return;
        const auto number = static_cast<std::int32_t>(at - items.begin()) + 1;
        expect(t.WriteWatchedItem(number, {renamed, "note", 2, false}), "rename an item");
        t.RenameItemStock(name, renamed);
        for (auto& [cardNumber, card] : m_road.ledger().cards)
            if (card.item == name)
                card.item = renamed;
        expect(t.ReadStockCards(renamed).size() == 2, "keys follow the rename");
        expect(t.MarkWatchedItem(number), "mark an item");
        expect(t.MarkItemStock(renamed), "mark an item's keys");
        expect(t.PurgeWatchedItems(), "purge the items");
        expect(t.PurgeStock(), "purge the stock");
        for (const auto& [cardNumber, card] : m_road.ledger().cards)
            if (card.item == renamed)
                m_road.deleted(cardNumber);
    }

    // RefreshLists and the stock page's own list.
    void reloadLists() {
        auto& t = m_road.tables();
        const auto names = t.ReadItemNames();
        expect(std::count(names.begin(), names.end(), kMonth) == 1 &&
                   std::count(names.begin(), names.end(), kWeek) == 1,
               "read the item names");
        expect(t.ReadDeliveredRecords().has_value(), "read the delivered records");
        expect(t.CountStockCards(kMonth).has_value(), "count the stock");
        expect(t.IsOrderDelivered("none").has_value(), "look up an order");
        expect(t.ReadSetting(text::kSettingImClientPath.gbk).has_value(), "read the setting");
    }

    Road& m_road;
    std::mt19937& m_random;
};

TEST(Concurrency, PassesAndSellerEditsInterleaveWithoutLossOrFailure) {
    Road road;
    road.watch(kMonth);
    road.watch(kWeek);
    ASSERT_TRUE(road.stock(kMonth, 15));
    ASSERT_TRUE(road.stock(kWeek, 15));
    std::mt19937 random(20261211);
    for (int i = 0; i < 30; ++i)
        road.order(i % 2 ? kMonth : kWeek, kBuyers[i % 3], 1 + i % 3);

    std::atomic<bool> stop{false};
    std::atomic<int> passes{0};
    std::atomic<int> passFailures{0};
    std::thread worker([&] {
        while (!stop) {
            const auto report = road.pass();
            for (const auto& o : report.orders) {
                // Both items stay watched and both tables stay readable: these would mean the
                // pass lost a table to the other thread.
                if (o.outcome == delivery::OrderOutcome::NotWatched ||
                    o.outcome == delivery::OrderOutcome::DeliveredTableUnavailable)
                    ++passFailures;
            }
            ++passes;
        }
    });
    Seller seller(road, random);
    int rounds = 0;
    for (; rounds < 50; ++rounds)
        seller.round(rounds);
    // Keep the seller busy until the worker has run a fair number of passes beside it.
    for (; passes < 12 && rounds < 1000; ++rounds)
        seller.round(rounds);
    stop = true;
    worker.join();

    std::string failed;
    for (const auto& f : seller.failed)
        failed += "\n  " + f;
    EXPECT_EQ(seller.failures, 0) << failed;
    EXPECT_EQ(passFailures, 0);
    EXPECT_GE(passes, 12);
    std::printf("concurrency: %d passes beside %d seller rounds\n", passes.load(), rounds);

    // Enough keys for every order, then passes until the list is done.
    ASSERT_TRUE(road.stock(kMonth, 60));
    ASSERT_TRUE(road.stock(kWeek, 60));
    for (int i = 0; i < 5 && road.market().waiting() > 0; ++i)
        road.pass();
    EXPECT_EQ(road.market().waiting(), 0u);
    const auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.ordersWaiting, 0u);
    EXPECT_GT(r.ordersShipped, 30u);
}

} // namespace
} // namespace quorvel::reliability

namespace quorvel::reliability {
namespace {

// The window never runs two passes at once, but the program can be started twice on the same
// data directory. Two passes that both find an order undelivered must not both deliver it.
class SlowNickNotifier : public delivery::NotifierPort {
  public:
    explicit SlowNickNotifier(RecordingNotifier& messages) : m_messages(messages) {}
    std::string FetchSellerNick() override {
        // Both passes get past their "already delivered?" test before either takes keys.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return "seller";
    }
    bool SendChatMessage(std::string_view seller, std::string_view buyer,
                         std::string_view text) override {
        return m_messages.SendChatMessage(seller, buyer, text);
    }

  private:
    RecordingNotifier& m_messages;
};

TEST(Concurrency, TwoProgramsOnOneDataDirectoryNeverDeliverAnOrderTwice) {
    Road road;
    road.watch(kMonth);
    ASSERT_TRUE(road.stock(kMonth, 20));
    for (int i = 0; i < 4; ++i)
        road.order(kMonth, kBuyers[i % 3], 1 + i % 2);
    SlowNickNotifier notifier(road.notifier());
    const delivery::CompiledPatterns patterns;
    const auto program = [&] {
        data::Tables ownTables(road.dir().path()); // as a second process opens the files
        delivery::RunDeliveryPass(
            delivery::StandardDeliveryPorts(patterns, ownTables, notifier, road.market().fetch()));
    };
    std::thread first(program);
    std::thread second(program);
    first.join();
    second.join();
    const auto r = road.check();
    EXPECT_TRUE(r.violations.empty()) << Violations(r);
    EXPECT_EQ(r.cardsDelivered, 6u);
    EXPECT_EQ(r.ordersShipped, 4u);
}

} // namespace
} // namespace quorvel::reliability
