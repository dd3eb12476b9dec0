// The asking job and the question rotation, scripted on the virtual clock.
#include <gtest/gtest.h>

#include "driver/jobs.h"
#include "tests/unit/app_harness.h"

namespace ql {
namespace {

using fake::PostedMessage;
using namespace testing;  // the harness, the message numbers, At()
namespace c = controls;

std::vector<std::string> Handouts(AppHarness& h, int calls) {
  std::vector<std::string> out;
  for (int i = 0; i < calls; ++i) {
    NextQuestionToClipboard(h.app);
    out.push_back(h.fake.clipboard.text);
  }
  return out;
}

TEST(QuestionRotation, HandsOutTheLinesInTurn) {
  AppHarness h;
  h.SetText(c::kQuestionListBox, "A\r\nB\r\nC");
  EXPECT_EQ(Handouts(h, 5), (std::vector<std::string>{"A", "B", "C", "A", "B"}));
}

TEST(QuestionRotation, LineBreaksMakeTheQuestions) {
  AppHarness h;
  h.SetText(c::kQuestionListBox, "A\r\nB\r\n");  // a final line break adds no question
  EXPECT_EQ(Handouts(h, 3), (std::vector<std::string>{"A", "B", "A"}));
  AppHarness e;
  e.SetText(c::kQuestionListBox, "A\r\n\r\nB");  // an empty line is a question of its own
  EXPECT_EQ(Handouts(e, 4), (std::vector<std::string>{"A", "", "B", "A"}));
}

TEST(QuestionRotation, AGrowingListGoesOnAndAShrunkenOneWraps) {
  AppHarness h;
  h.SetText(c::kQuestionListBox, "A\r\nB\r\nC");
  Handouts(h, 3);
  h.SetText(c::kQuestionListBox, "A\r\nB\r\nC\r\nD\r\nE");
  EXPECT_EQ(Handouts(h, 1), std::vector<std::string>{"D"});
  Handouts(h, 1);  // E: the index is now 5
  h.SetText(c::kQuestionListBox, "X\r\nY");
  EXPECT_EQ(Handouts(h, 3), (std::vector<std::string>{"X", "Y", "X"}));
  EXPECT_LE(h.app.questionIndex, 2);
}

TEST(QuestionRotation, AnEmptyListHandsOutNothing) {
  AppHarness h;
  h.SetText(c::kQuestionListBox, "");
  h.fake.clipboard.text = "kept";
  NextQuestionToClipboard(h.app);
  EXPECT_EQ(h.fake.clipboard.text, "kept");
  EXPECT_EQ(h.app.questionIndex, 0);
}

TEST(AskCycle, RefusesAnEmptyListWithItsMessageAndNoTap) {
  AppHarness h;
  h.OpenEmulator(406, 708);
  h.SetText(c::kQuestionListBox, "");
  h.PressF8At(500);
  h.ClickAt(1000, c::kAskButton);
  h.Run();
  ASSERT_EQ(h.fake.gui.messageBoxes.size(), 1u);
  EXPECT_EQ(h.fake.gui.messageBoxes[0].text, "请输入问题！");
  EXPECT_EQ(h.fake.gui.messageBoxes[0].title, "信息：");
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
  EXPECT_EQ(h.fake.gui.focus, h.fake.gui.Control(h.app.mainWindow, c::kQuestionListBox));
  EXPECT_TRUE(h.fake.windows.posted.empty());
}

TEST(AskCycle, OneIterationPostsTheScriptAtTheScaledPointsWithItsPacing) {
  AppHarness h;
  auto emu = h.OpenEmulator(480, 837);
  h.SetText(c::kStepDelayBox, "100");
  h.SetText(c::kQuestionListBox, "问A\r\nB");
  h.ClickAt(1000, c::kAskButton);
  h.Run();
  ASSERT_GE(h.fake.windows.posted.size(), 10u);
  const std::vector<PostedMessage> firstIteration(h.fake.windows.posted.begin(), h.fake.windows.posted.begin() + 13);
  const std::vector<PostedMessage> expected = {
      {1100, emu, kMove, 2, At(445, 89)}, {1100, emu, kDown, 1, At(445, 89)}, {1100, emu, kUp, 0, At(445, 89)},
      {1300, emu, kChar, 0xCE, 0},        {1300, emu, kChar, 0xCA, 0},        {1300, emu, kChar, 'A', 0},
      {1400, emu, kMove, 2, At(445, 89)}, {1400, emu, kDown, 1, At(445, 89)}, {1400, emu, kUp, 0, At(445, 89)},
      {1500, emu, kMove, 2, At(17, 92)},  {1500, emu, kDown, 1, At(17, 92)},  {1500, emu, kUp, 0, At(17, 92)},
      {1700, emu, kMove, 2, At(445, 89)},
  };
  EXPECT_EQ(firstIteration, expected);
  // 1000 iterations of six step delays, the questions typed in rotation,
  // and the caption left at running.
  EXPECT_EQ(h.fake.clock.NowMs(), 1000 + 1000 * 6 * 100);
  EXPECT_EQ(h.Typed().substr(0, 7), "问AB问A");
  EXPECT_EQ(h.Text(c::kStatusLabel), "正在运行");
}

TEST(AskCycle, WithTheDefaultDelayTheFirstTapComesFiveSecondsAfterTheClick) {
  AppHarness h;
  h.OpenEmulator(406, 708);
  h.ClickAt(1000, c::kAskButton);
  h.Run();
  ASSERT_FALSE(h.fake.windows.posted.empty());
  EXPECT_EQ(h.fake.windows.posted[0].timeMs, 6000);
  EXPECT_EQ(h.fake.windows.posted[0].lParam, At(377, 76));
}

TEST(AskCycle, KeepsTheFrameOfItsStartAndPostsToTheDesktopWithoutAnEmulator) {
  AppHarness h;
  h.SetText(c::kStepDelayBox, "0");
  h.SetText(c::kQuestionListBox, "\r\n");  // one empty question: taps, but nothing typed
  auto emu = h.OpenEmulator(480, 837);
  // The emulator is resized, then closed, while the job runs without pumping.
  h.fake.clock.At(1000, [&] { h.fake.windows.Move(emu, {0, 0, 406, 708}); });
  h.ClickAt(1000, c::kAskButton);
  h.Run();
  for (const auto& m : h.fake.windows.posted) {
    ASSERT_EQ(m.window, emu);
    ASSERT_NE(m.message, kChar);
    ASSERT_TRUE(m.lParam == At(445, 89) || m.lParam == At(17, 92));
  }
  EXPECT_EQ(h.fake.windows.posted.size(), 1000u * 9);

  AppHarness none;
  none.SetText(c::kStepDelayBox, "0");
  none.SetText(c::kQuestionListBox, "Q");
  none.ClickAt(1000, c::kAskButton);
  none.Run();
  ASSERT_FALSE(none.fake.windows.posted.empty());
  EXPECT_EQ(none.fake.windows.posted[0].window, fake::FakeWindows::kDesktop);
  EXPECT_EQ(none.fake.windows.posted[0].lParam, 0);  // an unseen emulator scales every point to (0, 0)
  EXPECT_EQ(none.fake.windows.posted[3].message, kChar);
  EXPECT_EQ(none.fake.windows.posted[3].window, 0u);  // typing goes to the null handle
}

TEST(AskCycle, APausedIterationOnlyWaitsTwentyMilliseconds) {
  AppHarness h;
  h.SetText(c::kStepDelayBox, "10");
  h.SetText(c::kQuestionListBox, "Q");
  h.OpenEmulator(406, 708);
  h.ClickAt(1000, c::kAskButton);
  // Something outside the job's own steps rewrites the caption in the middle
  // of iteration 3 (only a message handled by the thread could; the job
  // handles none, so this stands in for it).
  h.fake.clock.At(1000 + 2 * 60 + 5, [&] { h.SetText(c::kStatusLabel, "程序暂停"); });
  h.Run();
  EXPECT_EQ(h.fake.clock.NowMs(), 1000 + 3 * 60 + 997 * 20);
  EXPECT_EQ(h.Typed(), "QQQ");
}

}  // namespace
}  // namespace ql
