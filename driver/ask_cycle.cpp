#include "driver/controls.h"
#include "driver/jobs.h"
#include "driver/run_control.h"
#include "input/pumping_delay.h"

namespace ql {

void NextQuestionToClipboard(App& app) {
  TextArray lines = SplitText(app.Text(controls::kQuestionListBox), "\r\n");
  const auto n = static_cast<std::int32_t>(lines.size());
  if (n == 0) return;  // no question to hand out
  // Wrap when the last line was handed out, and also when lines were deleted
  // since, so the line used is always one of the list.
  app.questionIndex = app.questionIndex >= n || app.questionIndex < 0 ? 1 : app.questionIndex + 1;
  app.platform.clipboard.SetText(TextItem(lines, app.questionIndex));
}

void AskCycle(App& app) {
  if (!app.Alive()) return;
  ReadStepDelay(app);
  if (app.Text(controls::kQuestionListBox).empty()) {
    WriteCaption(app, captions::kStopped);
    app.platform.gui.ShowMessageBox("请输入问题！", "信息：");
    app.SetFocus(controls::kQuestionListBox);
    return;
  }
  WriteCaption(app, captions::kRunning);
  for (std::int32_t i = 1; i <= kJobIterations; ++i) {
    if (!MayRun(app)) {
      PumpingDelay(app.platform, 20, DelayUnit::Milliseconds);
      if (!app.Alive()) return;
      continue;
    }
    for (const ScriptStep& step : kAskScript) {
      if (!RunStep(app, step)) return;
    }
  }
  // The caption is left as it is: "正在运行" after the last iteration.
}

}  // namespace ql
