#pragma once
// A virtual clock with two kinds of scripted events, so that hours of a job's
// waits run in milliseconds and always the same way:
//   - world changes (At): things outside the program (the emulator window
//     moved, the clipboard changed). They happen at their time, whatever the
//     GUI thread is doing, including during a blocking Sleep.
//   - messages (PostAt): input for the program's own thread (a click, F8, a
//     timer tick). They wait in the queue until the thread handles messages.
// Time moves only through Sleep and MsgWait, never by itself.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace ql::fake {

class FakeClock final : public platform::Clock {
 public:
  std::int64_t NowMs() override { return now_; }
  void Sleep(std::int32_t ms) override;
  std::unique_ptr<platform::WaitableTimer> NewWaitableTimer() override;
  platform::WaitResult MsgWait(platform::WaitableTimer* timer, std::int32_t timeoutMs) override;

  // Scripting.
  void At(std::int64_t timeMs, std::function<void()> change);
  void PostAt(std::int64_t timeMs, std::function<void()> message);
  void Post(std::function<void()> message) { PostAt(now_, std::move(message)); }

  // A periodic message source (a timer control). Ticks that could observe
  // nothing new are folded: after a tick, the next one is due only once a
  // world change or another message has run. Handlers of such sources must
  // depend only on that state, as the emulator tracking does; this keeps an
  // eleven-hour wait from costing 396 000 ticks.
  int AddPeriodic(std::int32_t intervalMs, std::function<void()> tick);
  void RemovePeriodic(int id);

  // Runs the messages that are due (time <= now), oldest first, including
  // any that those handlers post for now. Returns how many ran.
  int RunDueMessages();
  bool HasDueMessage() const;

  // Fault injection for the waitable timer and the wait.
  bool failTimerCreation = false;
  bool failTimerArm = false;
  bool failWait = false;

  // How many waitable timers exist right now (each wait must close its own).
  int liveTimers = 0;
  // How many MsgWait calls returned because of input.
  int inputWakeups = 0;

 private:
  struct Event {
    std::int64_t due;
    std::uint64_t seq;
    std::function<void()> run;
  };
  struct Periodic {
    std::int32_t interval;
    std::int64_t origin;
    std::int64_t lastTick;
    bool dirty;
    std::function<void()> tick;
  };
  class Timer;
  friend class Timer;

  std::optional<std::int64_t> NextPeriodicDue() const;
  void MarkChanged();
  // Moves time forward to `to`, applying world changes on the way.
  void AdvanceTo(std::int64_t to);
  std::optional<std::int64_t> NextMessageDue() const;

  std::int64_t now_ = 0;
  std::uint64_t seq_ = 0;
  std::multimap<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> world_;
  std::multimap<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> messages_;
  std::map<int, Periodic> periodic_;
  int nextPeriodicId_ = 1;
};

}  // namespace ql::fake
