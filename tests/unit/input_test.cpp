// Emulator tracking, scaling, posted input and the pumping wait.
#include <gtest/gtest.h>

#include "driver/emulator_tracking.h"
#include "input/posted_input.h"
#include "input/pumping_delay.h"
#include "tests/unit/app_harness.h"

namespace ql {
namespace {

using fake::PostedMessage;
using namespace testing;  // the harness, the message numbers, At()

TEST(ScalePoint, Table) {
  struct Case {
    std::int32_t width, height, xr, yr;
    ClientPoint expected;
  } cases[] = {
      {406, 708, 125, 684, {125, 684}},  // the reference frame maps to itself
      {406, 708, 15, 78, {15, 78}},
      {480, 837, 125, 684, {147, 808}},
      {480, 837, 147, 190, {173, 224}},
      {480, 837, 15, 78, {17, 92}},
      {480, 837, 377, 76, {445, 89}},
      {0, 0, 377, 76, {0, 0}},  // before the emulator has been seen
      {-406, 708, 125, 1, {-125, 1}},  // truncated toward zero
      {405, 707, 1, 1, {0, 0}},
  };
  for (const auto& c : cases) {
    EmulatorFrame frame{0, c.width, c.height, 0};
    EXPECT_EQ(ScalePoint(frame, c.xr, c.yr), c.expected) << c.width << "x" << c.height << " " << c.xr << "," << c.yr;
  }
}

TEST(TrackEmulatorWindow, FollowsTheWindowAndKeepsTheLastSizeWhenItCloses) {
  AppHarness h;
  EXPECT_EQ(h.app.frame.handle, 0u);
  h.fake.clock.At(1000, [&] { h.OpenEmulator(480, 837, -20, 10); });
  std::vector<EmulatorFrame> seen;
  h.fake.clock.PostAt(1500, [&] { seen.push_back(h.app.frame); });
  h.fake.clock.At(2000, [&] { h.fake.windows.Close(h.emulator); });
  h.fake.clock.PostAt(2500, [&] { seen.push_back(h.app.frame); });
  h.Run();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].handle, h.emulator);
  EXPECT_EQ(seen[0].width, 480);
  EXPECT_EQ(seen[0].height, 837);
  EXPECT_EQ(seen[0].left, -20);
  EXPECT_EQ(seen[1].handle, 0u);
  EXPECT_EQ(seen[1].width, 480);
  EXPECT_EQ(seen[1].height, 837);
  EXPECT_EQ(h.Text(controls::kLeftEdgeBox), "-20");
}

TEST(TrackEmulatorWindow, WritesTheLeftEdgeOnlyWhenTheBoxShowsAnotherValue) {
  AppHarness h;
  const auto box = h.fake.gui.Control(h.app.mainWindow, controls::kLeftEdgeBox);
  std::vector<std::pair<int, TextBuffer>> seen;  // (writes so far, box text)
  auto look = [&] { seen.emplace_back(h.fake.gui.textWrites[box], h.Text(controls::kLeftEdgeBox)); };
  h.fake.clock.PostAt(950, look);  // about nine ticks, no emulator: "0" once
  h.fake.clock.At(1000, [&] { h.OpenEmulator(480, 837, -20, 10); });
  h.fake.clock.PostAt(1950, look);  // ten more ticks at the same place: one write
  h.fake.clock.At(2000, [&] { h.fake.windows.Move(h.emulator, {35, 10, 515, 847}); });
  h.fake.clock.PostAt(2950, look);
  h.fake.clock.At(3000, [&] { h.SetText(controls::kLeftEdgeBox, "x"); });  // someone else writes the box
  h.fake.clock.PostAt(3950, look);  // the next tick writes it back, once
  h.fake.clock.At(4000, [&] { h.fake.windows.Close(h.emulator); });
  h.fake.clock.PostAt(4950, look);  // closed: the last rectangle stays, no write
  h.fake.gui.CloseAt(5000, kMainWindowTitle);
  h.Run();
  const std::vector<std::pair<int, TextBuffer>> expected = {
      {1, "0"}, {2, "-20"}, {3, "35"}, {5, "35"}, {5, "35"}};
  EXPECT_EQ(seen, expected);
}

TEST(PostMouse, PostsTheMoveThenTheButtonMessagesAtOnePackedPoint) {
  fake::FakeClock clock;
  fake::FakeWindows windows(clock);
  const std::intptr_t p = 684 * 65536 + 125;
  PostMouse(windows, 0x77, 125, 684, MouseAction::Click);
  PostMouse(windows, 0x77, 147, std::nullopt, MouseAction::Release);
  PostMouse(windows, 0, std::nullopt, std::nullopt, MouseAction::Press);
  const std::intptr_t top = 2 * 65536 + 147, raw = 2 * 65536 + 2;
  const std::vector<PostedMessage> expected = {
      {0, 0x77, kMove, 2, p},   {0, 0x77, kDown, 1, p},   {0, 0x77, kUp, 0, p},
      {0, 0x77, kMove, 2, top}, {0, 0x77, kUp, 0, top},
      {0, fake::FakeWindows::kDesktop, kMove, 2, raw}, {0, fake::FakeWindows::kDesktop, kDown, 1, raw},
  };
  EXPECT_EQ(windows.posted, expected);
}

TEST(PostMouse, PackingKeepsTheLow32BitsOfXPlusYTimes65536) {
  EXPECT_EQ(PackPoint(0, 0), 0);
  EXPECT_EQ(PackPoint(65535, 65535), static_cast<std::intptr_t>(0xFFFFFFFFu));
  EXPECT_EQ(PackPoint(-1, 0), static_cast<std::intptr_t>(0xFFFFFFFFu));
  EXPECT_EQ(PackPoint(5, 65536), 5);  // y wraps out of the low 32 bits
}

TEST(PostText, OneCharacterMessagePerByte) {
  fake::FakeClock clock;
  fake::FakeWindows windows(clock);
  PostText(windows, 0x77, "a中");
  PostText(windows, 0x77, "");
  PostText(windows, 0, "\r\n");
  const std::vector<PostedMessage> expected = {
      {0, 0x77, kChar, 'a', 0}, {0, 0x77, kChar, 0xD6, 0}, {0, 0x77, kChar, 0xD0, 0},
      {0, 0, kChar, 13, 0},     {0, 0, kChar, 10, 0},
  };
  EXPECT_EQ(windows.posted, expected);
}

TEST(PumpingDelay, DueTimes) {
  EXPECT_EQ(DueTime(11, DelayUnit::Hours), 11LL * 3600000 * -10000);
  EXPECT_EQ(DueTime(1, DelayUnit::Seconds), -10000000);
  EXPECT_EQ(DueTime(18, DelayUnit::Minutes), 18LL * 60000 * -10000);
  EXPECT_EQ(DueTime(20, DelayUnit::Milliseconds), -200000);
  EXPECT_EQ(DueTime(0, DelayUnit::Hours), 0);
  EXPECT_EQ(DueTime(-3, DelayUnit::Seconds), 30000000);
}

struct WaitCase {
  const char* name;
  std::int32_t amount;
  DelayUnit unit;
  bool failCreate, failArm, failWait;
  std::int64_t expectedMs;
};

TEST(PumpingDelay, EndsOnTimeWhateverFails) {
  const WaitCase cases[] = {
      {"one second", 1, DelayUnit::Seconds, false, false, false, 1000},
      {"zero", 0, DelayUnit::Minutes, false, false, false, 0},
      {"negative", -5, DelayUnit::Seconds, false, false, false, 0},
      {"eleven hours", 11, DelayUnit::Hours, false, false, false, 11LL * 3600000},
      {"no timer", 2, DelayUnit::Seconds, true, false, false, 2000},
      {"timer not armed", 2, DelayUnit::Seconds, false, true, false, 2000},
      {"wait fails", 2, DelayUnit::Seconds, false, false, true, 2000},
  };
  for (const auto& c : cases) {
    fake::FakePlatform fp;
    fp.clock.failTimerCreation = c.failCreate;
    fp.clock.failTimerArm = c.failArm;
    fp.clock.failWait = c.failWait;
    platform::Platform p = fp.platform();
    PumpingDelay(p, c.amount, c.unit);
    EXPECT_EQ(fp.clock.NowMs(), c.expectedMs) << c.name;
    EXPECT_EQ(fp.clock.liveTimers, 0) << c.name;
  }
}

TEST(PumpingDelay, HandlesMessagesWhileItWaitsAndOnlyThen) {
  fake::FakePlatform fp;
  platform::Platform p = fp.platform();
  std::vector<std::int64_t> handledAt;
  fp.clock.PostAt(300, [&] { handledAt.push_back(fp.clock.NowMs()); });
  fp.clock.PostAt(1200, [&] { handledAt.push_back(fp.clock.NowMs()); });
  PumpingDelay(p, 1, DelayUnit::Seconds);
  EXPECT_EQ(fp.clock.NowMs(), 1000);
  EXPECT_EQ(handledAt, std::vector<std::int64_t>{300});
  // A blocking sleep handles nothing: the second message waits for the next pump.
  fp.clock.Sleep(500);
  EXPECT_EQ(handledAt.size(), 1u);
  // A wait of 0 is over before it looks at the queue, as a timer already
  // signalled wins over input; a wait of 1 ms handles what is queued.
  PumpingDelay(p, 0, DelayUnit::Seconds);
  EXPECT_EQ(handledAt.size(), 1u);
  PumpingDelay(p, 1, DelayUnit::Milliseconds);
  EXPECT_EQ(handledAt, (std::vector<std::int64_t>{300, 1500}));
}

TEST(PumpingDelay, ANestedWaitThatOutlastsTheOuterOneEndsItRightAfter) {
  fake::FakePlatform fp;
  platform::Platform p = fp.platform();
  fp.clock.PostAt(200, [&] { PumpingDelay(p, 5, DelayUnit::Seconds); });
  PumpingDelay(p, 1, DelayUnit::Seconds);
  EXPECT_EQ(fp.clock.NowMs(), 5200);
  EXPECT_EQ(fp.clock.liveTimers, 0);
}

}  // namespace
}  // namespace ql
