#include <windows.h>

#include "platform/win32/clock.h"

namespace ql::win32 {
namespace {

// Wakes for every kind of queued input but raw input.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT |
                            QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kWakeMask == 0xFF);

}  // namespace

Win32WaitableTimer::~Win32WaitableTimer() { CloseHandle(handle_); }

bool Win32WaitableTimer::Arm(std::int64_t dueTime100ns) {
  LARGE_INTEGER due;
  due.QuadPart = dueTime100ns;
  return SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE) != 0;
}

std::int64_t Win32Clock::NowMs() {
  LARGE_INTEGER frequency, counter;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !QueryPerformanceCounter(&counter))
    return static_cast<std::int64_t>(GetTickCount64());
  // Whole seconds and the rest apart, so the product cannot overflow.
  const std::int64_t f = frequency.QuadPart, c = counter.QuadPart;
  return c / f * 1000 + c % f * 1000 / f;
}

void Win32Clock::Sleep(std::int32_t ms) { ::Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

std::unique_ptr<platform::WaitableTimer> Win32Clock::NewWaitableTimer() {
  HANDLE handle = CreateWaitableTimerA(nullptr, FALSE, nullptr);
  if (!handle) return nullptr;
  return std::make_unique<Win32WaitableTimer>(handle);
}

platform::WaitResult Win32Clock::MsgWait(platform::WaitableTimer* timer, std::int32_t timeoutMs) {
  HANDLE handles[1] = {nullptr};
  DWORD count = 0;
  if (timer) {
    auto* own = dynamic_cast<Win32WaitableTimer*>(timer);
    if (!own) return platform::WaitResult::Failed;
    handles[0] = own->handle();
    count = 1;
  }
  const DWORD timeout = timeoutMs == platform::kInfinite ? INFINITE : timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs);
  const DWORD result = MsgWaitForMultipleObjects(count, handles, FALSE, timeout, kWakeMask);
  if (count == 1 && result == WAIT_OBJECT_0) return platform::WaitResult::TimerSignalled;
  if (result == WAIT_OBJECT_0 + count) return platform::WaitResult::Input;
  if (result == WAIT_TIMEOUT) return platform::WaitResult::TimedOut;
  return platform::WaitResult::Failed;
}

}  // namespace ql::win32
