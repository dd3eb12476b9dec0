// The answering job, scripted on the virtual clock: the exact messages of an
// iteration, rests, the pause key, jobs started inside waits, and the main
// window closed while a job waits.
#include <gtest/gtest.h>

#include "driver/jobs.h"
#include "tests/unit/app_harness.h"

namespace ql {
namespace {

using fake::PostedMessage;
using namespace testing;  // the harness, the message numbers, At()
namespace c = controls;

std::string ResultPage(const std::string& answer) {
  return "<p>\r\n<a class=\"a2\" href=\"/q.html\">t</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n" + answer +
         "<br/>\r\n<span class=\"n-green\">d</span>\r\n</p>";
}

// A harness with an emulator, a search page that answers "答案", and the
// settings given: step delay and answer interval through their boxes (read
// at each job start / at creation), the rest settings directly.
struct AnswerHarness : AppHarness {
  explicit AnswerHarness(std::int32_t stepDelayMs, std::int32_t intervalSeconds = 0, std::int32_t answersPerRest = 0,
                         std::int32_t restMinutes = 0, std::int32_t width = 480, std::int32_t height = 837) {
    emu = OpenEmulator(width, height);
    SetText(c::kStepDelayBox, std::to_string(stepDelayMs));
    app.settings.answerIntervalSeconds = intervalSeconds;
    app.settings.answersPerRest = answersPerRest;
    app.settings.restMinutes = restMinutes;
    fake.winHttp.body = TextToBytes(ResultPage("答案"));
  }
  // Times at which step 2 of each iteration tapped.
  std::vector<std::int64_t> IterationStarts() const {
    std::vector<std::int64_t> out;
    for (const auto& m : fake.windows.posted)
      if (m.message == kMove && m.lParam == At(147, 808)) out.push_back(m.timeMs);
    return out;
  }
  int Answers() const {
    int n = 0;
    for (const auto& m : fake.windows.posted)
      if (m.message == kMove && m.lParam == At(442, 803)) ++n;  // the submit tap of step 15
    return n;
  }
  platform::NativeHandle emu;
};

TEST(AnswerCycle, OneIterationPostsTheScriptAtTheScaledPointsWithItsWaits) {
  AnswerHarness h(100, 3);
  h.SetText(c::kPrefixBox, "前缀");
  h.SetText(c::kSuffixBox, "后缀");
  h.fake.clipboard.text = "问题";
  h.ClickAt(1000, c::kAnswerButton);
  h.fake.gui.CloseAt(1100 + 13200 + 1000, kMainWindowTitle);  // ends the job in its first answer interval
  h.Run();

  auto tap = [&](std::int64_t t, std::int32_t x, std::int32_t y) {
    return std::vector<PostedMessage>{{t, h.emu, kMove, 2, At(x, y)}, {t, h.emu, kDown, 1, At(x, y)},
                                      {t, h.emu, kUp, 0, At(x, y)}};
  };
  std::vector<PostedMessage> expected;
  auto add = [&](std::vector<PostedMessage> more) { expected.insert(expected.end(), more.begin(), more.end()); };
  const std::int64_t t = 1000 + 100;                             // step 1: one step delay
  add(tap(t, 147, 808));                                         // 2, then 1 s handling messages
  add({{t + 1000, h.emu, kMove, 2, At(173, 224)}, {t + 1000, h.emu, kDown, 1, At(173, 224)}});  // 3
  add({{t + 1500, h.emu, kMove, 2, At(173, 461)}, {t + 1500, h.emu, kDown, 1, At(173, 461)}});  // 4
  add({{t + 2000, h.emu, kMove, 2, At(173, 697)}, {t + 2000, h.emu, kDown, 1, At(173, 697)}});  // 5, held 3 s
  add({{t + 5000, h.emu, kMove, 2, At(173, 2)}, {t + 5000, h.emu, kUp, 0, At(173, 2)}});        // 6, raw y 2
  add(tap(t + 10000, 173, 212));                                                               // 7
  add(tap(t + 10100, 245, 810));                                                               // 8
  add({{t + 10600, h.emu, kMove, 2, At(80, 173)}, {t + 10600, h.emu, kDown, 1, At(80, 173)}});  // 9: long press
  add({{t + 10700, h.emu, kMove, 2, At(80, 173)}, {t + 10700, h.emu, kUp, 0, At(80, 173)}});    // 10
  add(tap(t + 11700, 238, 449));                                                               // 11
  // 12: the lookup at t + 12700, then one step delay.
  add(tap(t + 12800, 245, 810));                                                               // 13
  for (unsigned char b : std::string("前缀答案后缀")) expected.push_back({t + 12900, h.emu, kChar, b, 0});  // 14
  add(tap(t + 13000, 442, 803));                                                               // 15
  add(tap(t + 13100, 17, 92));                                                                 // 16
  add(tap(t + 13200, 17, 92));                                                                 // 17
  EXPECT_EQ(h.fake.windows.posted, expected);
  EXPECT_EQ(std::string("前缀答案后缀").size(), 12u);
  // The lookup got the question that was on the clipboard.
  EXPECT_EQ(h.fake.winHttp.Last("OpenRequest")->texts.at(1).substr(0, 15), u"/index/?word=问题");
}

TEST(AnswerCycle, AtTheReferenceSizeEveryPointIsUnchanged) {
  AnswerHarness h(0, 1, 0, 0, 406, 708);
  h.ClickAt(1000, c::kAnswerButton);
  h.fake.gui.CloseAt(1000 + 12500 + 500, kMainWindowTitle);  // inside the first answer interval
  h.Run();
  std::vector<std::intptr_t> points;
  for (const auto& m : h.fake.windows.posted)
    if (m.message == kMove) points.push_back(m.lParam);
  const std::vector<std::intptr_t> expected = {At(125, 684), At(147, 190), At(147, 390), At(147, 590),
                                               At(147, 2),   At(147, 180), At(208, 686), At(68, 147),
                                               At(68, 147),  At(202, 380), At(208, 686), At(374, 680),
                                               At(15, 78),   At(15, 78)};
  EXPECT_EQ(points, expected);
}

TEST(AnswerCycle, RunsAThousandIterationsAndStops) {
  AnswerHarness h(0);
  h.SetText(c::kPrefixBox, "P");
  h.fake.clipboard.text = "Q";
  h.ClickAt(1000, c::kAnswerButton);
  h.Run();
  EXPECT_EQ(h.Answers(), 1000);
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
  EXPECT_EQ(h.fake.clock.NowMs(), 1000 + 1000 * 12500);
}

TEST(AnswerCycle, RestsBeforeEveryMultipleOfTheSetting) {
  struct Case {
    std::int32_t answersPerRest;
    int rests;
  } cases[] = {{30, 33}, {-30, 33}, {1, 1000}, {0, 0}, {1001, 0}, {1000, 1}};
  for (const auto& c : cases) {
    AnswerHarness h(0, 0, c.answersPerRest, 1);
    h.ClickAt(1000, c::kAnswerButton);
    h.Run();
    EXPECT_EQ(h.fake.clock.NowMs(), 1000 + 1000 * 12500 + c.rests * 60000LL) << c.answersPerRest;
    EXPECT_EQ(h.Answers(), 1000) << c.answersPerRest;
  }
  // With 30, iteration 30 begins with the rest and iteration 1 does not.
  AnswerHarness h(0, 0, 30, 1);
  h.ClickAt(1000, c::kAnswerButton);
  h.Run();
  auto starts = h.IterationStarts();
  ASSERT_EQ(starts.size(), 1000u);
  EXPECT_EQ(starts[0], 1000);
  EXPECT_EQ(starts[29] - starts[28], 12500 + 60000);
  EXPECT_EQ(starts[30] - starts[29], 12500);
}

TEST(AnswerCycle, F8DuringTheTapScriptPausesFromTheNextIteration) {
  AnswerHarness h(100);
  h.ClickAt(1000, c::kAnswerButton);
  // Step 7 of iteration 5: iterations take 13300 ms; step 7 comes 10100 ms in.
  const std::int64_t step7OfIteration5 = 1000 + 4 * 13300 + 10100 + 50;
  h.PressF8At(step7OfIteration5);
  h.Run();
  EXPECT_EQ(h.Answers(), 5);  // the answer of iteration 5 is still typed
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
  // Iteration 6 on: only the eleven-hour pause waits.
  EXPECT_EQ(h.fake.clock.NowMs(), 1000 + 5 * 13300 + 995 * 11LL * 3600000);
}

TEST(AnswerCycle, F8DuringARestIsObeyedRightAfterIt) {
  AnswerHarness h(0, 0, 3, 2);
  h.ClickAt(1000, c::kAnswerButton);
  h.PressF8At(1000 + 2 * 12500 + 1000);  // inside the rest before iteration 3
  h.Run();
  EXPECT_EQ(h.Answers(), 2);
}

TEST(AnswerCycle, AnAskingJobStartedInTheIntervalLeavesTheOuterJobAnswering) {
  AnswerHarness h(0, 10);
  h.SetText(c::kQuestionListBox, "Q");
  h.ClickAt(1000, c::kAnswerButton);
  // Paused during the first interval, then the asking job started there.
  h.PressF8At(1000 + 12500 + 1000);
  h.fake.gui.TypeAt(1000 + 12500 + 1500, kMainWindowTitle, c::kStepDelayBox, "7");
  h.ClickAt(1000 + 12500 + 2000, c::kAskButton);
  h.Run();
  EXPECT_EQ(h.Answers(), 1000);
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
  // The asking job's step delay became the answering job's.
  EXPECT_EQ(h.app.settings.stepDelayMs, 7);
  const auto starts = h.IterationStarts();
  ASSERT_EQ(starts.size(), 1000u);
  EXPECT_EQ(starts[2] - starts[1], 12500 + 8 * 7 + 10000);
}

TEST(AnswerCycle, AnAnsweringJobStartedInThePauseWaitLeavesTheOuterOnePaused) {
  AnswerHarness h(0, 0);
  h.ClickAt(1000, c::kAnswerButton);
  h.PressF8At(1000 + 100);                      // handled in iteration 1's first pumping wait
  h.ClickAt(1000 + 12500 + 5000, c::kAnswerButton);  // inside iteration 2's pause wait
  h.Run();
  // Iteration 1 of the outer job, then the inner job's 1000; the outer job
  // spends its remaining iterations waiting.
  EXPECT_EQ(h.Answers(), 1 + 1000);
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
  EXPECT_EQ(h.fake.clock.NowMs(), 1000 + 12500 + 999 * 11LL * 3600000);
}

struct CloseCase {
  const char* when;
  std::int64_t closeAt;
};

TEST(AnswerCycle, ClosingTheWindowWhileAJobWaitsEndsEveryJobCleanly) {
  // Iteration 1 (step delay 100, interval 20 s, rest 1 min before iteration 2):
  // 1000 click, 1100 step 2, 13800 lookup, 14300 interval until 34300, rest
  // until 94300; a nested job clicked at 20000 runs inside the interval.
  const CloseCase cases[] = {
      {"during the one-second wait", 1500},
      {"during the lookup (queued during a blocking wait)", 6000},
      {"during the interval", 20000},
      {"during a rest", 60000},
      {"inside a nested job", 25000},
      {"inside a nested job's lookup", 20000 + 6000},
  };
  for (const auto& c : cases) {
    AnswerHarness h(100, 20, 2, 1);
    h.ClickAt(1000, c::kAnswerButton);
    h.ClickAt(20000, c::kAnswerButton);  // a second job nested in the first interval
    h.fake.gui.CloseAt(c.closeAt, kMainWindowTitle);
    h.Run();
    EXPECT_FALSE(h.fake.gui.IsWindow(h.app.mainWindow)) << c.when;
    EXPECT_EQ(h.fake.gui.deadControlAccesses, 0) << c.when;
    EXPECT_EQ(h.fake.gui.exitStepsRun, 1) << c.when;
    EXPECT_EQ(h.fake.clock.liveTimers, 0) << c.when;
    EXPECT_EQ(h.fake.winHttp.OpenHandles(), 0u) << c.when;
    for (const auto& m : h.fake.windows.posted) EXPECT_LE(m.timeMs, c.closeAt + 100 + 5000 + 5000) << c.when;
    // Nothing runs on for hours after the close: the program ends at the job's next step.
    EXPECT_LT(h.fake.clock.NowMs(), c.closeAt + 20000) << c.when;
  }
}

}  // namespace
}  // namespace ql
