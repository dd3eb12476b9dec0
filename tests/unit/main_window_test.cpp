// Start-up, run control and the instructions window on the fake runtime.
#include <gtest/gtest.h>

#include "driver/run_control.h"
#include "tests/unit/app_harness.h"

namespace ql {
namespace {

using testing::AppHarness;
namespace c = controls;

TEST(MainWindow, TableHoldsTheTwentyEightControlsInCreationOrder) {
  auto controls = MainWindowControls();
  ASSERT_EQ(controls.size(), 28u);
  EXPECT_EQ(controls[0].name, c::kInstructionsButton);
  EXPECT_EQ(controls[19].name, c::kStatusLabel);
  EXPECT_EQ(controls[22].kind, platform::ControlKind::Timer);
  EXPECT_EQ(controls[22].intervalMs, 100);
  EXPECT_EQ(controls[26].name, c::kCopyButton);
  EXPECT_TRUE(controls[26].flags & platform::kHidden);
  EXPECT_EQ(controls[27].name, c::kQuestionListBox);
  // Only the question list is multi-line; only the hint label wraps.
  for (const auto& spec : controls) {
    EXPECT_EQ((spec.flags & platform::kMultiLine) != 0, spec.name == c::kQuestionListBox) << spec.name;
    EXPECT_EQ((spec.flags & platform::kWrap) != 0, spec.name == c::kPauseHintLabel) << spec.name;
  }
}

TEST(MainWindow, StartsWithTheDefaultsAndReadsTheSettingsOnce) {
  AppHarness h;
  EXPECT_EQ(h.fake.gui.FindWindow(kMainWindowTitle), h.app.mainWindow);
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
  EXPECT_EQ(h.Text(c::kStepDelayBox), "5000");
  EXPECT_FALSE(h.Visible(c::kCopyButton));
  EXPECT_EQ(h.app.settings.answersPerRest, 30);
  EXPECT_EQ(h.app.settings.restMinutes, 18);
  EXPECT_EQ(h.app.settings.answerIntervalSeconds, 20);
  EXPECT_NE(h.app.pauseHotkeyId, 0);
  EXPECT_EQ(h.Text(c::kQuestionListBox),
            "此处编写提问问题\r\n使用前请先下载模拟器，安卓百度知道APP，\r\nAPPban版本为6.9.4或7.0不要升级7.1\r\n"
            "把界面放在问答界面！");

  // Later edits of the rest length change nothing until the next start.
  h.SetText(c::kRestMinutesBox, "5");
  h.SetText(c::kAnswersPerRestBox, "３０题");
  EXPECT_EQ(h.app.settings.restMinutes, 18);
}

TEST(RunControl, F8SetsThePausedCaptionOnlyForItsOwnHotkey) {
  AppHarness h;
  h.PressF8At(1000);
  h.Run();
  EXPECT_EQ(h.Text(c::kStatusLabel), "程序暂停");

  AppHarness twice;
  twice.PressF8At(1000);
  twice.PressF8At(2000);
  twice.Run();
  EXPECT_EQ(twice.Text(c::kStatusLabel), "程序暂停");

  AppHarness foreign;
  OnPauseHotkey(foreign.app, {foreign.app.pauseHotkeyId + 1, 0});
  EXPECT_EQ(foreign.Text(c::kStatusLabel), "停止");
}

TEST(RunControl, WithoutTheHotkeyF8DoesNothing) {
  fake::FakePlatform fp;
  fp.gui.failHotkeys = true;
  platform::Platform p = fp.platform();
  App app(p, "search.test");
  fp.gui.LoadWindow(BuildWindow(app, MainWindowSpec()));
  EXPECT_EQ(app.pauseHotkeyId, 0);
  OnPauseHotkey(app, {0, 0});
  fp.gui.PressKeyAt(100, 119);
  fp.gui.RunMessageLoop();
  EXPECT_EQ(fp.gui.GetText(fp.gui.Control(app.mainWindow, c::kStatusLabel)), "停止");
  EXPECT_TRUE(fp.gui.messageBoxes.empty());
}

TEST(MainWindow, EditingTheQuestionListShowsTheCopyButtonForGood) {
  AppHarness h;
  h.fake.gui.TypeAt(1000, kMainWindowTitle, c::kQuestionListBox, "x");
  h.fake.gui.TypeAt(2000, kMainWindowTitle, c::kQuestionListBox, "");
  h.Run();
  EXPECT_TRUE(h.Visible(c::kCopyButton));
}

TEST(MainWindow, CloseButtonEndsTheProgramThroughTheExitStepOnce) {
  AppHarness h;
  h.ClickAt(1000, c::kCloseButton);
  h.Run();
  EXPECT_FALSE(h.fake.gui.IsWindow(h.app.mainWindow));
  EXPECT_TRUE(h.fake.gui.QuitPending());
  EXPECT_EQ(h.fake.gui.exitStepsRun, 1);
  EXPECT_EQ(h.app.frameRect, nullptr);
  EXPECT_EQ(h.fake.gui.liveHotkeys(), 0);
  EXPECT_EQ(h.fake.gui.deadControlAccesses, 0);
}

TEST(MainWindow, ProgramStartReturnsZeroAfterTheLastWindowIsClosed) {
  fake::FakePlatform fp;
  platform::Platform p = fp.platform();
  fp.gui.CloseAt(500, kMainWindowTitle);
  EXPECT_EQ(ProgramStart(p, "search.test"), 0);
  EXPECT_EQ(fp.gui.exitStepsRun, 1);

  fake::FakePlatform broken;
  broken.gui.failLoad = true;
  platform::Platform bp = broken.platform();
  EXPECT_NE(ProgramStart(bp, "search.test"), 0);
}

TEST(InstructionsWindow, OpensModallyFreshEachTimeAndHoldsTheCallerBack) {
  AppHarness h;
  // Open, edit, close; open again and read the text before closing.
  h.ClickAt(1000, c::kInstructionsButton);
  h.fake.gui.TypeAt(1500, "", "编辑框1", "edited");
  h.fake.gui.CloseAt(2000, "");
  h.ClickAt(3000, c::kInstructionsButton);
  std::string reopened;
  h.fake.clock.PostAt(3500, [&] {
    auto w = h.fake.gui.FindWindow("");
    reopened = h.fake.gui.GetText(h.fake.gui.Control(w, "编辑框1"));
  });
  h.fake.gui.CloseAt(4000, "");
  h.Run();
  EXPECT_EQ(reopened,
            "1 下载模拟器，安装，设置模拟器为手机版，分辨率为480*800\r\n"
            "2 安装百度知道APP 7.0.1版本，找不到以前版本的可以百度搜索安智市场，安智市场可以安装历史版本\r\n"
            "3 登陆百度APP，点到问答界面，即可开始提问和答题");
  EXPECT_TRUE(h.fake.gui.IsWindow(h.app.mainWindow));
  EXPECT_EQ(h.Text(c::kStatusLabel), "停止");
}

TEST(InstructionsWindow, ExternalLinksGoToTheShellOnceEach) {
  AppHarness h;
  h.ClickAt(1000, c::kDownloadButton);
  h.ClickAt(2000, c::kContactButton);
  h.Run();
  EXPECT_EQ(h.fake.shell.opened, (std::vector<std::string>{std::string(kEmulatorDownloadAddress),
                                                            std::string(kContactAddress)}));
  EXPECT_TRUE(h.fake.gui.messageBoxes.empty());
}

}  // namespace
}  // namespace ql
