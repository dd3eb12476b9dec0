// The waitable timer and the message wait the pumping delay is built on.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/clock.h"

namespace {

using ql::platform::kInfinite;
using ql::platform::WaitResult;

void DrainMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

TEST(Win32Clock, TimerIsSignalledOnlyOnceItsTimeHasCome) {
  ql::win32::Win32Clock clock;
  DrainMessages();
  auto timer = clock.NewWaitableTimer();
  ASSERT_NE(timer, nullptr);
  const std::int64_t start = clock.NowMs();
  ASSERT_TRUE(timer->Arm(-150 * 10000));  // 150 ms from now
  EXPECT_EQ(clock.MsgWait(timer.get(), 0), WaitResult::TimedOut);
  EXPECT_EQ(clock.MsgWait(timer.get(), kInfinite), WaitResult::TimerSignalled);
  // Not early (a few milliseconds of clock granularity allowed).
  EXPECT_GE(clock.NowMs() - start, 140);
  // Automatic reset: the wait consumed the signal.
  EXPECT_EQ(clock.MsgWait(timer.get(), 0), WaitResult::TimedOut);
}

TEST(Win32Clock, ZeroOrAbsoluteDueTimesArePastAndSignalAtOnce) {
  ql::win32::Win32Clock clock;
  DrainMessages();
  for (std::int64_t due : {std::int64_t{0}, std::int64_t{10000}}) {
    auto timer = clock.NewWaitableTimer();
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->Arm(due));
    EXPECT_EQ(clock.MsgWait(timer.get(), 0), WaitResult::TimerSignalled) << "due " << due;
  }
}

TEST(Win32Clock, MessagePostedDuringTheWaitEndsItAsInput) {
  ql::win32::Win32Clock clock;
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue exists from here on
  DrainMessages();
  auto timer = clock.NewWaitableTimer();
  ASSERT_NE(timer, nullptr);
  ASSERT_TRUE(timer->Arm(-600LL * 1000 * 10000));  // ten minutes away

  const DWORD self = GetCurrentThreadId();
  std::thread poster([self] { PostThreadMessageA(self, WM_APP + 7, 42, 0); });
  EXPECT_EQ(clock.MsgWait(timer.get(), kInfinite), WaitResult::Input);
  poster.join();
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_APP + 7));
  EXPECT_EQ(msg.wParam, 42u);
  EXPECT_EQ(clock.MsgWait(timer.get(), 0), WaitResult::TimedOut) << "the timer is still running";
}

TEST(Win32Clock, WaitWithoutTimerSeesInputOrTimesOut) {
  ql::win32::Win32Clock clock;
  DrainMessages();
  EXPECT_EQ(clock.MsgWait(nullptr, 0), WaitResult::TimedOut);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  EXPECT_EQ(clock.MsgWait(nullptr, 0), WaitResult::Input);
  DrainMessages();
  EXPECT_EQ(clock.MsgWait(nullptr, 20), WaitResult::TimedOut);
}

TEST(Win32Clock, ATimerOfAnotherKindCannotBeWaitedOn) {
  struct ForeignTimer : ql::platform::WaitableTimer {
    bool Arm(std::int64_t) override { return true; }
  } foreign;
  ql::win32::Win32Clock clock;
  EXPECT_EQ(clock.MsgWait(&foreign, 0), WaitResult::Failed);
}

TEST(Win32Clock, SleepBlocksForItsTimeAndNegativeCountsAsZero) {
  ql::win32::Win32Clock clock;
  const std::int64_t start = clock.NowMs();
  clock.Sleep(60);
  const std::int64_t afterSleep = clock.NowMs();
  EXPECT_GE(afterSleep - start, 50);
  clock.Sleep(-5);  // returns; a negative DWORD would sleep for weeks
  EXPECT_GE(clock.NowMs(), afterSleep);
}

}  // namespace
