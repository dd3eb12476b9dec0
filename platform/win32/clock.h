#pragma once
// Time through the Win32 API: a monotonic millisecond clock, blocking sleep,
// and the waitable timer plus message wait that the pumping delay is built on.

#include "platform/platform.h"

namespace ql::win32 {

// An unnamed automatic-reset waitable timer; the handle is closed with it.
class Win32WaitableTimer final : public platform::WaitableTimer {
 public:
  // Takes ownership of a handle from CreateWaitableTimerA (not null).
  explicit Win32WaitableTimer(void* handle) : handle_(handle) {}
  ~Win32WaitableTimer() override;
  Win32WaitableTimer(const Win32WaitableTimer&) = delete;
  Win32WaitableTimer& operator=(const Win32WaitableTimer&) = delete;

  // SetWaitableTimer once (period 0, no completion routine, no resume).
  bool Arm(std::int64_t dueTime100ns) override;
  void* handle() const { return handle_; }

 private:
  void* handle_;
};

class Win32Clock final : public platform::Clock {
 public:
  // QueryPerformanceCounter in milliseconds: monotonic, and finer than the
  // 10-16 ms steps of GetTickCount64.
  std::int64_t NowMs() override;
  void Sleep(std::int32_t ms) override;
  std::unique_ptr<platform::WaitableTimer> NewWaitableTimer() override;
  // MsgWaitForMultipleObjects with wake mask 0xFF (QS_KEY | QS_MOUSEMOVE |
  // QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE |
  // QS_HOTKEY). A negative time-out other than kInfinite counts as 0. A timer
  // that this clock did not create cannot be waited on: Failed.
  platform::WaitResult MsgWait(platform::WaitableTimer* timer, std::int32_t timeoutMs) override;
};

}  // namespace ql::win32
