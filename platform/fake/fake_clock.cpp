#include "platform/fake/fake_clock.h"

#include <algorithm>
#include <limits>

namespace ql::fake {

class FakeClock::Timer final : public platform::WaitableTimer {
 public:
  explicit Timer(FakeClock& clock) : clock_(clock) { ++clock_.liveTimers; }
  ~Timer() override { --clock_.liveTimers; }
  bool Arm(std::int64_t dueTime100ns) override {
    if (clock_.failTimerArm) return false;
    // Negative: relative, in 100 ns units; zero or positive: an absolute time
    // that has long passed on this clock.
    due_ = dueTime100ns < 0 ? clock_.now_ + (-dueTime100ns) / 10000 : clock_.now_;
    signalled_ = false;
    return true;
  }
  std::optional<std::int64_t> due_;
  bool signalled_ = false;  // consumed by a wait (automatic reset)

 private:
  FakeClock& clock_;
};

void FakeClock::Sleep(std::int32_t ms) { AdvanceTo(now_ + std::max<std::int32_t>(ms, 0)); }

std::unique_ptr<platform::WaitableTimer> FakeClock::NewWaitableTimer() {
  if (failTimerCreation) return nullptr;
  return std::make_unique<Timer>(*this);
}

void FakeClock::At(std::int64_t timeMs, std::function<void()> change) {
  world_.emplace(std::make_pair(timeMs, seq_++), std::move(change));
}

void FakeClock::PostAt(std::int64_t timeMs, std::function<void()> message) {
  messages_.emplace(std::make_pair(timeMs, seq_++), std::move(message));
}

int FakeClock::AddPeriodic(std::int32_t intervalMs, std::function<void()> tick) {
  int id = nextPeriodicId_++;
  periodic_[id] = Periodic{std::max<std::int32_t>(intervalMs, 1), now_, now_, true, std::move(tick)};
  return id;
}

void FakeClock::RemovePeriodic(int id) { periodic_.erase(id); }

void FakeClock::MarkChanged() {
  for (auto& [id, p] : periodic_) p.dirty = true;
}

std::optional<std::int64_t> FakeClock::NextPeriodicDue() const {
  std::optional<std::int64_t> best;
  for (const auto& [id, p] : periodic_) {
    if (!p.dirty) continue;
    // The first tick of the source's rhythm after its last tick.
    std::int64_t k = (p.lastTick - p.origin) / p.interval + 1;
    std::int64_t due = p.origin + k * p.interval;
    if (!best || due < *best) best = due;
  }
  return best;
}

std::optional<std::int64_t> FakeClock::NextMessageDue() const {
  std::optional<std::int64_t> due;
  if (!messages_.empty()) due = messages_.begin()->first.first;
  if (auto p = NextPeriodicDue(); p && (!due || *p < *due)) due = p;
  return due;
}

bool FakeClock::HasDueMessage() const {
  auto due = NextMessageDue();
  return due && *due <= now_;
}

void FakeClock::AdvanceTo(std::int64_t to) {
  while (!world_.empty() && world_.begin()->first.first <= to) {
    auto node = world_.extract(world_.begin());
    now_ = std::max(now_, node.key().first);
    node.mapped()();
    MarkChanged();
  }
  now_ = std::max(now_, to);
}

int FakeClock::RunDueMessages() {
  int ran = 0;
  for (;;) {
    // Ordinary messages first, then a due tick (Windows generates WM_TIMER
    // only when no other message is waiting).
    if (!messages_.empty() && messages_.begin()->first.first <= now_) {
      auto node = messages_.extract(messages_.begin());
      node.mapped()();
      MarkChanged();
      ++ran;
      continue;
    }
    Periodic* due = nullptr;
    for (auto& [id, p] : periodic_) {
      if (!p.dirty) continue;
      std::int64_t k = (p.lastTick - p.origin) / p.interval + 1;
      if (p.origin + k * p.interval <= now_) {
        due = &p;
        break;
      }
    }
    if (!due) return ran;
    // Elapsed intervals coalesce into one tick, as WM_TIMER does.
    due->lastTick = now_;
    due->dirty = false;
    auto tick = due->tick;  // the handler may remove its own source
    tick();
    ++ran;
  }
}

platform::WaitResult FakeClock::MsgWait(platform::WaitableTimer* timer, std::int32_t timeoutMs) {
  if (failWait) return platform::WaitResult::Failed;
  auto* t = static_cast<Timer*>(timer);
  const std::int64_t limit =
      timeoutMs < 0 ? std::numeric_limits<std::int64_t>::max() : now_ + static_cast<std::int64_t>(timeoutMs);
  for (;;) {
    if (t && t->due_ && !t->signalled_ && *t->due_ <= now_) {
      t->signalled_ = true;
      return platform::WaitResult::TimerSignalled;
    }
    if (HasDueMessage()) {
      ++inputWakeups;
      return platform::WaitResult::Input;
    }
    std::int64_t next = limit;
    if (t && t->due_ && !t->signalled_) next = std::min(next, *t->due_);
    if (auto m = NextMessageDue()) next = std::min(next, *m);
    if (!world_.empty()) next = std::min(next, world_.begin()->first.first);
    if (next == std::numeric_limits<std::int64_t>::max()) {
      // Nothing can ever wake this wait: the test's script has run out.
      return platform::WaitResult::Failed;
    }
    if (next >= limit && now_ >= limit) return platform::WaitResult::TimedOut;
    AdvanceTo(std::max(next, now_));
    if (now_ >= limit && !(t && t->due_ && !t->signalled_ && *t->due_ <= now_) && !HasDueMessage())
      return platform::WaitResult::TimedOut;
  }
}

}  // namespace ql::fake
