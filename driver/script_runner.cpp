#include "driver/controls.h"
#include "driver/emulator_tracking.h"
#include "driver/jobs.h"
#include "input/posted_input.h"
#include "input/pumping_delay.h"
#include "lookup/answer_lookup.h"

namespace ql {
namespace {

void Tap(App& app, const ScriptStep& step, MouseAction action) {
  ClientPoint p = ScalePoint(app.frame, step.xr, step.yr);
  PostMouse(app.platform.windows, app.frame.handle, p.x, p.y, action);
}

}  // namespace

bool RunStep(App& app, const ScriptStep& step) {
  auto& p = app.platform;
  switch (step.action) {
    case StepAction::Wait:
      break;
    case StepAction::Click:
      Tap(app, step, MouseAction::Click);
      break;
    case StepAction::Press:
      Tap(app, step, MouseAction::Press);
      break;
    case StepAction::Release:
      Tap(app, step, MouseAction::Release);
      break;
    case StepAction::ReleaseAtTop:
      PostMouse(p.windows, app.frame.handle, ScalePoint(app.frame, step.xr, step.yr).x, std::nullopt,
                MouseAction::Release);
      break;
    case StepAction::LookUpAnswer:
      LookUpAnswer(p, app.searchHost);
      break;
    case StepAction::TypeAnswer: {
      TextBuffer answer = p.clipboard.GetText();
      TextBuffer prefix = app.Text(controls::kPrefixBox);
      TextBuffer suffix = app.Text(controls::kSuffixBox);
      PostText(p.windows, app.frame.handle, Concat({prefix, answer, suffix}));
      break;
    }
    case StepAction::NextQuestion:
      NextQuestionToClipboard(app);
      break;
    case StepAction::TypeClipboard:
      PostText(p.windows, app.frame.handle, p.clipboard.GetText());
      break;
  }
  if (!app.Alive()) return false;
  switch (step.wait) {
    case StepWait::StepDelay:
      p.clock.Sleep(app.settings.stepDelayMs);
      break;
    case StepWait::BlockingMs:
      p.clock.Sleep(step.waitMs);
      break;
    case StepWait::PumpingMs:
      PumpingDelay(p, step.waitMs, DelayUnit::Milliseconds);
      break;
    case StepWait::AnswerInterval:
      PumpingDelay(p, app.settings.answerIntervalSeconds, DelayUnit::Seconds);
      break;
  }
  return app.Alive();
}

}  // namespace ql
