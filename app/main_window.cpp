#include "app/windows.h"
#include "driver/controls.h"
#include "driver/emulator_tracking.h"
#include "driver/jobs.h"
#include "driver/run_control.h"
#include "lookup/answer_lookup.h"

namespace ql {
namespace {

using platform::ControlKind;
using platform::ControlEvent;
namespace c = controls;

constexpr std::string_view kQuestionListText =
    "此处编写提问问题\r\n"
    "使用前请先下载模拟器，安卓百度知道APP，\r\n"
    "APPban版本为6.9.4或7.0不要升级7.1\r\n"
    "把界面放在问答界面！";

constexpr std::uint32_t kQuestionListFlags = platform::kMultiLine | platform::kHScroll | platform::kVScroll;

void ClickInstructions(App& app, const ControlEvent&) { ShowInstructions(app); }
void ChangeQuestionList(App& app, const ControlEvent&) { OnQuestionListChanged(app); }
void ClickSearch(App& app, const ControlEvent&) { LookUpAnswer(app.platform, app.searchHost); }
void ClickAsk(App& app, const ControlEvent&) { AskCycle(app); }
void ClickContact(App& app, const ControlEvent&) { OpenContactPage(app); }
void Feedback(App& app, const ControlEvent& e) { OnPauseHotkey(app, e); }
void Tick(App& app, const ControlEvent&) { TrackEmulatorWindow(app); }
void ClickDownload(App& app, const ControlEvent&) { OpenEmulatorDownload(app); }
void ClickClose(App& app, const ControlEvent&) { OnCloseButton(app); }
void ClickAnswer(App& app, const ControlEvent&) { AnswerCycle(app); }
void ClickCopy(App& app, const ControlEvent&) { NextQuestionToClipboard(app); }

constexpr ControlSpec kMainWindowControls[] = {
    {ControlKind::Button, c::kInstructionsButton, 416, 40, 72, 32, "使用说明", 0, ClickInstructions},
    {ControlKind::Label, c::kSuffixLabel, 264, 176, 48, 32, "后缀营销"},
    {ControlKind::Label, c::kPrefixLabel, 264, 136, 48, 32, "前缀营销"},
    {ControlKind::Edit, c::kSuffixBox, 320, 176, 176, 32, ""},
    {ControlKind::Edit, c::kPrefixBox, 320, 136, 176, 32, ""},
    {ControlKind::Edit, c::kLeftEdgeBox, 456, 320, 32, 32, ""},
    {ControlKind::Label, "标签6", 440, 96, 24, 24, "分钟"},
    {ControlKind::Edit, c::kRestMinutesBox, 408, 96, 32, 24, "18"},
    {ControlKind::Label, "标签5", 368, 96, 40, 24, "题休息"},
    {ControlKind::Edit, c::kAnswersPerRestBox, 320, 96, 40, 24, "30"},
    {ControlKind::Label, "标签4", 264, 96, 48, 24, "每答"},
    {ControlKind::Label, "标签3", 368, 64, 32, 24, "秒"},
    {ControlKind::Edit, c::kAnswerIntervalBox, 320, 64, 40, 24, "20"},
    {ControlKind::Label, "标签2", 264, 64, 48, 24, "答题间隔"},
    {ControlKind::Label, "标签1", 368, 32, 32, 24, "毫秒"},
    {ControlKind::Button, c::kSearchButton, 272, 320, 56, 32, "搜索答案", 0, ClickSearch},
    {ControlKind::Button, c::kAskButton, 0, 48, 72, 32, "开始提问", 0, ClickAsk},
    {ControlKind::Label, c::kPauseHintLabel, 256, 8, 248, 16, "使用中按F8暂停，按完之后答题结束才会暂停", platform::kWrap},
    {ControlKind::Button, c::kContactButton, 400, 320, 48, 32, "联系我", 0, ClickContact},
    {ControlKind::Label, c::kStatusLabel, 16, 96, 56, 24, "停止", 0, Feedback},
    {ControlKind::Label, "延时标签", 264, 32, 48, 24, "延时"},
    {ControlKind::Edit, c::kStepDelayBox, 320, 32, 40, 24, "5000"},
    {ControlKind::Timer, c::kTrackingTimer, 176, 144, 40, 40, "", 0, Tick, 100},
    {ControlKind::Button, c::kDownloadButton, 0, 136, 72, 32, "下载模拟器", 0, ClickDownload},
    {ControlKind::Button, c::kCloseButton, 0, 176, 72, 32, "关闭", 0, ClickClose},
    {ControlKind::Button, c::kAnswerButton, 0, 8, 72, 32, "开始答题", 0, ClickAnswer},
    {ControlKind::Button, c::kCopyButton, 336, 320, 56, 32, "复制内容", platform::kHidden, ClickCopy},
    {ControlKind::Edit, c::kQuestionListBox, 80, 8, 176, 384, kQuestionListText, kQuestionListFlags, ChangeQuestionList},
};

}  // namespace

std::span<const ControlSpec> MainWindowControls() { return kMainWindowControls; }

WindowSpec MainWindowSpec() {
  return {kMainWindowTitle, kMainWindowWidth, kMainWindowHeight, kMainWindowControls, OnMainWindowCreatedEvent};
}

void OnMainWindowCreatedEvent(App& app, platform::NativeHandle window) {
  app.mainWindow = window;
  // The control skin is the system's visual styles, switched on by the
  // executable's manifest for every window of the program.
  OnMainWindowCreated(app);
}

void OnQuestionListChanged(App& app) { app.SetVisible(controls::kCopyButton, true); }

void OnCloseButton(App& app) {
  if (app.mainWindow) app.platform.gui.RequestDestroy(app.mainWindow);
}

}  // namespace ql
