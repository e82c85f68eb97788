#include "delivery/DeliveryScheduler.h"

#include "text/Gbk.h"
#include "text/Texts.h"

#include <limits>
#include <system_error>
#include <utility>

namespace quorvel::delivery {

std::int32_t IntervalToPeriod(std::string_view intervalText) {
    const double ms = static_cast<double>(text::TextToInt(intervalText)) * 1000.0;
    constexpr auto kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    constexpr auto kMin = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    if (ms >= kMax)
        return std::numeric_limits<std::int32_t>::max();
    if (ms <= kMin)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(ms);
}

std::string DeliveryStatusText(bool armed, std::string_view intervalText) {
    if (!armed)
        return std::string(text::kDeliveryOff.gbk);
    std::string out(text::kDeliveryOnHead.gbk);
    out.append(intervalText).append(text::kDeliveryOnTail.gbk);
    return out;
}

struct DeliveryScheduler::State {
    Callbacks callbacks;
    Pass pass;
    std::int32_t period = 0;
    std::int32_t savedPeriod = 0;
    std::atomic<bool> running{false};
};

DeliveryScheduler::DeliveryScheduler(Callbacks callbacks, Pass pass)
    : m_state(std::make_shared<State>()) {
    m_state->callbacks = std::move(callbacks);
    m_state->pass = std::move(pass);
}

DeliveryScheduler::~DeliveryScheduler() {
    if (m_worker.joinable())
        m_worker.join();
}

void DeliveryScheduler::applyPeriod(State& state, std::int32_t periodMs) {
    if (periodMs < 0)
        periodMs = 0;
    if (periodMs == state.period)
        return;
    state.period = periodMs;
    state.callbacks.setTimerPeriod(periodMs);
}

void DeliveryScheduler::finish(State& state, bool tablesChanged) {
    if (tablesChanged && state.callbacks.refreshLists)
        state.callbacks.refreshLists();
    state.running = false;
    applyPeriod(state, state.savedPeriod);
}

void DeliveryScheduler::SetPeriod(std::int32_t periodMs) {
    if (m_state->running)
        m_state->savedPeriod = periodMs < 0 ? 0 : periodMs;
    applyPeriod(*m_state, periodMs);
}

std::int32_t DeliveryScheduler::Period() const {
    return m_state->period;
}
std::int32_t DeliveryScheduler::SavedPeriod() const {
    return m_state->savedPeriod;
}
bool DeliveryScheduler::PassRunning() const {
    return m_state->running;
}

std::string DeliveryScheduler::ApplyInterval(bool autoDeliveryTicked,
                                             std::string_view intervalText) {
    if (!autoDeliveryTicked) {
        SetPeriod(0);
        return DeliveryStatusText(false, intervalText);
    }
    SetPeriod(IntervalToPeriod(intervalText));
    return DeliveryStatusText(true, intervalText);
}

void DeliveryScheduler::OnDeliveryTimer() {
    const std::int32_t current = m_state->period;
    if (current == 0)
        return; // a tick queued before the timer stopped
    if (m_state->running) {
        // Nothing starts; SetPeriod already noted the period for the pass's end to restore.
        applyPeriod(*m_state, 0);
        return;
    }
    m_state->savedPeriod = current;
    applyPeriod(*m_state, 0);
    if (m_worker.joinable())
        m_worker.join(); // the previous pass has already handed over its end
    m_state->running = true;
    std::weak_ptr<State> weak = m_state;
    try {
        m_worker = std::thread([weak, state = m_state.get()] {
            bool changed = false;
            try {
                changed = state->pass();
            } catch (...) {
                changed = true; // unknown: refreshing is harmless
            }
            state->callbacks.postToUi([weak, changed] {
                if (auto alive = weak.lock())
                    DeliveryScheduler::finish(*alive, changed);
            });
        });
    } catch (const std::system_error&) {
        m_state->running = false; // no thread: the timer stays stopped until "设置"
    }
}

} // namespace quorvel::delivery
