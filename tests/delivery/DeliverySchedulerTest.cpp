#include "delivery/DeliveryScheduler.h"

#include "text/Texts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>

namespace quorvel::delivery {
namespace {

// The window's side: the timer writes it receives, a UI queue the test drains, and a pass that
// waits until the test lets it end.
struct Window {
    std::vector<std::int32_t> timerWrites;
    int refreshes = 0;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> queue;
    int running = 0;
    int maxRunning = 0;
    int started = 0;
    bool release = false;
    bool passChangesTables = true;

    DeliveryScheduler::Callbacks callbacks() {
        return {[this](std::int32_t p) { timerWrites.push_back(p); },
                [this](std::function<void()> f) {
                    std::lock_guard lock(mutex);
                    queue.push_back(std::move(f));
                    changed.notify_all();
                },
                [this] { ++refreshes; }};
    }
    DeliveryScheduler::Pass pass() {
        return [this] {
            std::unique_lock lock(mutex);
            ++started;
            maxRunning = std::max(maxRunning, ++running);
            changed.notify_all();
            changed.wait(lock, [this] { return release; });
            --running;
            return passChangesTables;
        };
    }
    void waitStarted(int n) {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return started >= n; }));
    }
    void finishPass() {
        std::unique_lock lock(mutex);
        release = true;
        changed.notify_all();
        ASSERT_TRUE(
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return !queue.empty(); }));
        auto f = std::move(queue.front());
        queue.pop_front();
        release = false;
        lock.unlock();
        f(); // on the "UI thread"
    }
};

TEST(DeliveryScheduler, PeriodRule) {
    Window w;
    DeliveryScheduler s(w.callbacks(), w.pass());
    s.SetPeriod(-5);    // negative is 0, already 0: nothing
    s.SetPeriod(30000); // starts
    s.SetPeriod(30000); // same: nothing, the timer keeps its phase
    s.SetPeriod(5000);  // restarts
    s.SetPeriod(-1);    // stops
    EXPECT_EQ(w.timerWrites, (std::vector<std::int32_t>{30000, 5000, 0}));
    EXPECT_EQ(s.Period(), 0);
}

TEST(DeliveryScheduler, IntervalTextToPeriod) {
    struct Case {
        std::string text;
        std::int32_t want;
    };
    const Case cases[] = {
        {"30", 30000},
        {"0", 0},
        {"abc", 0},
        {"", 0},
        {"-5", -5000},
        {" 7s", 7000},
        {"\xA3\xB1\xA3\xB5", 15000},
        {"2147484", std::numeric_limits<std::int32_t>::max()},
        {"99999999999", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", std::numeric_limits<std::int32_t>::min()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IntervalToPeriod(c.text), c.want) << c.text;
}

TEST(DeliveryScheduler, ApplyIntervalArmsOrStops) {
    Window w;
    DeliveryScheduler s(w.callbacks(), w.pass());
    EXPECT_EQ(s.ApplyInterval(true, "30"), std::string(text::kDeliveryOnHead.gbk) + "30" +
                                               std::string(text::kDeliveryOnTail.gbk));
    EXPECT_EQ(s.Period(), 30000);
    EXPECT_EQ(s.ApplyInterval(true, "-5"), std::string(text::kDeliveryOnHead.gbk) + "-5" +
                                               std::string(text::kDeliveryOnTail.gbk));
    EXPECT_EQ(s.Period(), 0);
    s.ApplyInterval(true, "10");
    EXPECT_EQ(s.ApplyInterval(false, "10"), std::string(text::kDeliveryOff.gbk));
    EXPECT_EQ(s.Period(), 0);
}

TEST(DeliveryScheduler, TickStopsRunsOnePassAndRestoresAtItsEnd) {
    Window w;
    DeliveryScheduler s(w.callbacks(), w.pass());
    s.SetPeriod(30000);
    s.OnDeliveryTimer();
    EXPECT_EQ(s.Period(), 0);
    EXPECT_EQ(s.SavedPeriod(), 30000);
    w.waitStarted(1);
    EXPECT_TRUE(s.PassRunning());

    s.OnDeliveryTimer(); // a stray tick during the pass starts nothing
    w.finishPass();
    EXPECT_EQ(w.refreshes, 1);
    EXPECT_EQ(s.Period(), 30000);
    EXPECT_FALSE(s.PassRunning());
    EXPECT_EQ(w.started, 1);
    EXPECT_EQ(w.timerWrites, (std::vector<std::int32_t>{30000, 0, 30000}));

    w.passChangesTables = false;
    s.OnDeliveryTimer();
    w.waitStarted(2);
    w.finishPass();
    EXPECT_EQ(w.refreshes, 1); // nothing changed: no refresh, but re-armed
    EXPECT_EQ(s.Period(), 30000);
    EXPECT_EQ(w.maxRunning, 1);
}

TEST(DeliveryScheduler, ReapplyDuringAPassNeverStartsASecondOne) {
    Window w;
    DeliveryScheduler s(w.callbacks(), w.pass());
    s.SetPeriod(30000);
    s.OnDeliveryTimer();
    w.waitStarted(1);

    s.ApplyInterval(true, "5"); // re-armed at once, as the window does
    EXPECT_EQ(s.Period(), 5000);
    s.OnDeliveryTimer(); // its tick arrives while the first pass still runs
    s.OnDeliveryTimer();
    EXPECT_EQ(w.started, 1);
    w.finishPass();
    EXPECT_EQ(s.Period(), 5000); // the seller's latest interval survives the pass
    EXPECT_EQ(w.maxRunning, 1);
}

TEST(DeliveryScheduler, DisarmDuringAPassStaysDisarmed) {
    Window w;
    DeliveryScheduler s(w.callbacks(), w.pass());
    s.SetPeriod(30000);
    s.OnDeliveryTimer();
    w.waitStarted(1);
    s.ApplyInterval(false, "");
    w.finishPass();
    EXPECT_EQ(s.Period(), 0);
}

TEST(DeliveryScheduler, EndOfPassAfterDestructionDoesNothing) {
    Window w;
    std::function<void()> late;
    {
        DeliveryScheduler s(w.callbacks(), w.pass());
        s.SetPeriod(1000);
        s.OnDeliveryTimer();
        w.waitStarted(1);
        {
            std::lock_guard lock(w.mutex);
            w.release = true;
            w.changed.notify_all();
        }
    } // joins the worker
    ASSERT_EQ(w.queue.size(), 1u);
    w.queue.front()();
    EXPECT_EQ(w.refreshes, 0);
    EXPECT_EQ(w.timerWrites, (std::vector<std::int32_t>{1000, 0}));
}

} // namespace
} // namespace quorvel::delivery
