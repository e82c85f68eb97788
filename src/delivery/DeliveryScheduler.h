// The timer logic of the automatic delivery, without Qt: the window hands in how to set its
// timer, how to post a call to the UI thread and how to refresh its lists, and forwards the
// timer's ticks and the "设置" click here.
//
// Thread-safe: call every member on the UI thread only. Passes run on a worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace quorvel::delivery {

// Seconds typed by the seller to a timer period: the text-to-integer rule times 1000,
// computed in double and clamped to the int32 range.
std::int32_t IntervalToPeriod(std::string_view intervalText);

// 标签8's text after "设置": the armed text with the interval as typed, or the off text.
std::string DeliveryStatusText(bool armed, std::string_view intervalText);

class DeliveryScheduler {
  public:
    struct Callbacks {
        std::function<void(std::int32_t)> setTimerPeriod; // 0: stop; > 0: (re)start afresh
        // Queues a call on the UI thread and returns at once (it must never wait for the UI
        // thread: the destructor joins the worker on that thread).
        std::function<void(std::function<void()>)> postToUi;
        std::function<void()> refreshLists;
    };
    // The pass; answers whether the tables changed (the lists then need a refresh).
    using Pass = std::function<bool()>;

    DeliveryScheduler(Callbacks callbacks, Pass pass);
    // Waits for a running pass to end; a refresh or restore still queued then does nothing.
    ~DeliveryScheduler();
    DeliveryScheduler(const DeliveryScheduler&) = delete;
    DeliveryScheduler& operator=(const DeliveryScheduler&) = delete;

    // The timer's period rule: negative is 0; the same period changes nothing; another one
    // restarts the timer. During a pass it is also what the pass's end restores, so the
    // seller's latest choice (including "off") survives the pass.
    void SetPeriod(std::int32_t periodMs);
    std::int32_t Period() const;
    std::int32_t SavedPeriod() const;

    // The "设置" click: arms with the typed interval or stops. Returns 标签8's text.
    std::string ApplyInterval(bool autoDeliveryTicked, std::string_view intervalText);

    // A tick: saves the period, stops the timer and starts the pass on a worker thread. A tick
    // while a pass runs starts nothing.
    void OnDeliveryTimer();

    bool PassRunning() const;

  private:
    struct State;
    static void applyPeriod(State& state, std::int32_t periodMs);
    static void finish(State& state, bool tablesChanged);

    std::shared_ptr<State> m_state;
    std::thread m_worker;
};

} // namespace quorvel::delivery
