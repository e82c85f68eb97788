#include "DataTestSupport.h"
#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/Tables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvel::data {
namespace {

using test::ReadBytes;
using test::TempDir;

DeliveredRecord recordOf(const StockCard& card, const std::string& order) {
    return {card.itemName, order, "buyer", "3", card.cardNumber, card.cardPassword, "", "t"};
}

auto forOrder(const std::string& order) {
    return [order](const StockCard& card) { return recordOf(card, order); };
}

class AllotmentTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(CreateShippedTables(m_dir.path())); }
    std::filesystem::path file(TableId id) const { return TableFile(m_dir.path(), id); }
    void addCards(const std::string& item, int from, int to) {
        std::vector<StockCard> cards;
        for (int i = from; i <= to; ++i) {
            cards.push_back({item, test::Numbered(item, i), test::Numbered("p", i)});
        }
        ASSERT_TRUE(m_tables.AddStockCards(cards));
    }
    std::vector<std::string> stockNumbers() {
        std::vector<std::string> numbers;
        for (const std::string item : {"A", "B"}) {
            for (const auto& card : m_tables.ReadStockCards(item)) {
                numbers.push_back(card.cardNumber);
            }
        }
        return numbers;
    }
    // The two files' bytes: what "nothing changed" means.
    std::pair<std::string, std::string> snapshot() {
        return {ReadBytes(file(TableId::Stock)), ReadBytes(file(TableId::Delivered))};
    }

    TempDir m_dir;
    Tables m_tables{m_dir.path()};
};

TEST_F(AllotmentTest, TakesTheFirstCardsOfTheItemAndRecordsEachOne) {
    ASSERT_TRUE(m_tables.AddStockCards({{"A", "a1", "p1"},
                                        {"B", "b1", "q1"},
                                        {"A", "a2", "0"},
                                        {"A ", "a3", "p3"},
                                        {"A", "a4", "p4"},
                                        {"A", "a5", "p5"}}));
    const auto taken = m_tables.TakeStockCards("A", 3, forOrder("9001"));
    ASSERT_TRUE(taken.has_value());
    ASSERT_EQ(taken->size(), 3u);
    EXPECT_EQ((*taken)[0].cardNumber, "a1");
    EXPECT_EQ((*taken)[1].cardNumber, "a2");
    EXPECT_EQ((*taken)[1].cardPassword, "0");
    EXPECT_EQ((*taken)[2].cardNumber, "a4");
    EXPECT_GT((*taken)[0].id, 0);

    const auto records = m_tables.ReadDeliveredRecordsOf("9001");
    ASSERT_EQ(records.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i], recordOf((*taken)[i], "9001"));
    }
    // What is left keeps its order; other items are untouched.
    EXPECT_EQ(m_tables.ReadStockCards("A").size(), 1u);
    EXPECT_EQ(m_tables.ReadStockCards("A")[0].cardNumber, "a5");
    EXPECT_EQ(m_tables.ReadStockCards("B").size(), 1u);
    EXPECT_EQ(m_tables.ReadStockCards("A ").size(), 1u);
}

TEST_F(AllotmentTest, ShortStockTakesNothing) {
    addCards("A", 1, 2);
    const auto before = snapshot();
    EXPECT_EQ(m_tables.TakeStockCards("A", 3, forOrder("1")), std::nullopt);
    EXPECT_EQ(m_tables.TakeStockCards("A", 0, forOrder("1")), std::nullopt);
    EXPECT_EQ(m_tables.TakeStockCards("a", 1, forOrder("1")), std::nullopt);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(AllotmentTest, MarkedCardsAreNotHandedOut) {
    addCards("A", 1, 3);
    ASSERT_TRUE(m_tables.MarkStockCard(1));
    const auto taken = m_tables.TakeStockCards("A", 1, forOrder("1"));
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ((*taken)[0].cardNumber, "A2");
    EXPECT_EQ(m_tables.CountStockCards("A"), 1);
}

TEST_F(AllotmentTest, AFailingTableLeavesBothUntouched) {
    addCards("A", 1, 3);
    const auto deliveredBytes = ReadBytes(file(TableId::Delivered));
    const auto stockBytes = ReadBytes(file(TableId::Stock));
    TempDir aside;
    const auto restore = [&] {
        for (const TableId id : {TableId::Stock, TableId::Delivered}) {
            std::filesystem::remove(file(id));
        }
        test::WriteBytes(file(TableId::Stock), stockBytes);
        test::WriteBytes(file(TableId::Delivered), deliveredBytes);
    };
    const struct {
        const char* what;
        std::function<void()> spoil;
    } cases[] = {
        {"delivered missing", [&] { std::filesystem::remove(file(TableId::Delivered)); }},
        {"delivered read-only", [&] { test::MakeReadOnly(file(TableId::Delivered)); }},
        {"delivered is another table",
         [&] {
             std::filesystem::remove(file(TableId::Delivered));
             std::filesystem::copy_file(file(TableId::Stock), file(TableId::Delivered));
         }},
        {"delivered damaged", [&] { test::WriteBytes(file(TableId::Delivered), "garbage"); }},
        {"stock missing", [&] { std::filesystem::remove(file(TableId::Stock)); }},
        {"stock read-only", [&] { test::MakeReadOnly(file(TableId::Stock)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        restore();
        c.spoil();
        const bool hadStock = std::filesystem::exists(file(TableId::Stock));
        const bool hadDelivered = std::filesystem::exists(file(TableId::Delivered));
        const std::string s = hadStock ? ReadBytes(file(TableId::Stock)) : "";
        const std::string d = hadDelivered ? ReadBytes(file(TableId::Delivered)) : "";
        EXPECT_EQ(m_tables.TakeStockCards("A", 1, forOrder("1")), std::nullopt);
        EXPECT_EQ(std::filesystem::exists(file(TableId::Stock)), hadStock);
        EXPECT_EQ(std::filesystem::exists(file(TableId::Delivered)), hadDelivered);
        if (hadStock) {
            EXPECT_EQ(ReadBytes(file(TableId::Stock)), s);
        }
        if (hadDelivered) {
            EXPECT_EQ(ReadBytes(file(TableId::Delivered)), d);
        }
    }
    restore();
    EXPECT_TRUE(m_tables.TakeStockCards("A", 1, forOrder("1")).has_value()) << "usable again";
}

TEST_F(AllotmentTest, AnInterruptedAllotmentChangesNothing) {
    addCards("A", 1, 3);
    const auto before = snapshot();
    int calls = 0;
    const auto failSecond = [&](const StockCard& card) {
        if (++calls == 2) {
            throw std::runtime_error("clock failed");
        }
        return recordOf(card, "1");
    };
    EXPECT_THROW(m_tables.TakeStockCards("A", 2, failSecond), std::runtime_error);
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(m_tables.TakeStockCards("A", 3, forOrder("2")).has_value()) << "lock released";
}

// The UI thread and the delivery worker at the same time: every sequence succeeds, no card is
// lost or handed out twice.
TEST_F(AllotmentTest, ConcurrentSequencesWaitForEachOther) {
    constexpr int kCards = 120;
    addCards("A", 1, kCards);
    std::atomic<int> failures{0};
    std::thread delivery([&] {
        for (int i = 0; i < kCards; ++i) {
            if (!m_tables.IsOrderDelivered(test::Numbered("o", i)).has_value() ||
                !m_tables.TakeStockCards("A", 1, forOrder(test::Numbered("o", i)))) {
                ++failures;
            }
        }
    });
    std::thread ui([&] {
        for (int i = 0; i < 60; ++i) {
            std::vector<StockCard> batch;
            for (int k = 0; k < 4; ++k) {
                batch.push_back({"B", test::Numbered("B", i * 4 + k), "p"});
            }
            bool ok = m_tables.AddStockCards(batch);
            const auto b = m_tables.ReadStockCards("B");
            std::vector<std::int64_t> ids;
            for (const auto& card : b) {
                ids.push_back(card.id);
            }
            ok = ok && b.size() == 4 && m_tables.MarkStockCardsById(ids) && m_tables.PurgeStock() &&
                 m_tables.ReadDeliveredRecords().has_value() &&
                 m_tables.IsItemWatched("A").has_value();
            if (!ok) {
                ++failures;
            }
        }
    });
    delivery.join();
    ui.join();
    EXPECT_EQ(failures.load(), 0);
    const auto delivered = m_tables.ReadDeliveredRecords();
    ASSERT_TRUE(delivered.has_value());
    std::set<std::string> handedOut;
    for (const auto& r : *delivered) {
        EXPECT_TRUE(handedOut.insert(r.cardNumber).second) << "twice: " << r.cardNumber;
    }
    EXPECT_EQ(handedOut.size(), static_cast<std::size_t>(kCards));
    EXPECT_TRUE(stockNumbers().empty());
}

// A process killed at any moment of its allotments: after recovery every card is either in
// the stock or in exactly one delivered record, and each order has all its records or none.
TEST_F(AllotmentTest, KillAtAnyMomentLosesNoCardAndRecordsNoneTwice) {
    constexpr int kCards = 3000;
    constexpr int kPerOrder = 2;
    addCards("A", 1, kCards);
    std::mt19937 gen(42);
    int killed = 0;
    for (int round = 0; round < 15; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Tables tables(m_dir.path());
            for (int n = 0;; ++n) {
                const std::string order = std::to_string(getpid()) + test::Numbered("-", n);
                if (!tables.TakeStockCards("A", kPerOrder, forOrder(order))) {
                    _exit(0);
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(gen() % 300000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        killed += WIFSIGNALED(status) ? 1 : 0;
    }
    EXPECT_GT(killed, 0) << "the stock ran out before any kill";
    std::map<std::string, int> seen;
    for (const auto& number : stockNumbers()) {
        ++seen[number];
    }
    const auto delivered = m_tables.ReadDeliveredRecords();
    ASSERT_TRUE(delivered.has_value());
    std::map<std::string, int> perOrder;
    for (const auto& r : *delivered) {
        ++seen[r.cardNumber];
        ++perOrder[r.orderNumber];
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kCards)) << "a card was lost";
    for (const auto& [number, times] : seen) {
        EXPECT_EQ(times, 1) << number;
    }
    for (const auto& [order, count] : perOrder) {
        EXPECT_EQ(count, kPerOrder) << order;
    }
    EXPECT_FALSE(delivered->empty()) << "the children did deliver";
}

} // namespace
} // namespace quorvel::data
