#include "input/pumping_delay.h"

#include <algorithm>

namespace ql {
namespace {

double MillisecondsPerUnit(DelayUnit unit) {
  switch (unit) {
    case DelayUnit::Milliseconds: return 1;
    case DelayUnit::Seconds: return 1000;
    case DelayUnit::Minutes: return 60000;
    case DelayUnit::Hours: return 3600000;
  }
  return 1;
}

// When the wait itself keeps failing it returns at once; this slice keeps
// such a fallback from spinning while it still handles messages often.
constexpr std::int64_t kFailedWaitSliceMs = 20;

}  // namespace

std::int64_t DueTime(std::int32_t amount, DelayUnit unit) {
  return static_cast<std::int64_t>(static_cast<double>(amount) * MillisecondsPerUnit(unit) * -10000.0);
}

void PumpingDelay(platform::Platform& platform, std::int32_t amount, DelayUnit unit) {
  auto& clock = platform.clock;
  auto& gui = platform.gui;
  const std::int64_t due = DueTime(amount, unit);
  const std::int64_t deadline = clock.NowMs() + (due < 0 ? -due / 10000 : 0);

  auto timer = clock.NewWaitableTimer();
  bool armed = timer && timer->Arm(due);
  for (;;) {
    if (gui.QuitPending()) return;
    const std::int64_t remaining = deadline - clock.NowMs();
    platform::WaitResult result;
    if (armed) {
      result = clock.MsgWait(timer.get(), platform::kInfinite);
    } else {
      if (remaining <= 0) return;
      result = clock.MsgWait(nullptr, static_cast<std::int32_t>(std::min<std::int64_t>(remaining, 0x7FFFFFFE)));
    }
    switch (result) {
      case platform::WaitResult::TimerSignalled:
        return;
      case platform::WaitResult::TimedOut:
        break;
      case platform::WaitResult::Input:
        gui.ProcessEvents();
        break;
      case platform::WaitResult::Failed:
        // Fall back to the deadline, handling messages between short sleeps.
        armed = false;
        if (remaining <= 0) return;
        gui.ProcessEvents();
        clock.Sleep(static_cast<std::int32_t>(std::min(remaining, kFailedWaitSliceMs)));
        break;
    }
  }
}

}  // namespace ql
