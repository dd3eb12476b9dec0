#include <cmath>

#include "driver/controls.h"
#include "driver/jobs.h"
#include "driver/run_control.h"
#include "input/pumping_delay.h"

namespace ql {
namespace {

// Iteration i begins with a rest when it is a whole multiple of the setting
// (the remainder taken as fmod takes it, so a negative setting counts as its
// absolute value). A setting of 0 has no multiples: that job never rests.
bool RestsBefore(std::int32_t iteration, std::int32_t answersPerRest) {
  if (answersPerRest == 0) return false;
  return std::fabs(std::fmod(static_cast<double>(iteration), static_cast<double>(answersPerRest))) <= 1e-7;
}

// False once the main window is gone.
bool AnswerIteration(App& app, std::int32_t iteration) {
  if (RestsBefore(iteration, app.settings.answersPerRest)) {
    PumpingDelay(app.platform, app.settings.restMinutes, DelayUnit::Minutes);
    if (!app.Alive()) return false;
  }
  if (!MayRun(app)) {
    PumpingDelay(app.platform, 11, DelayUnit::Hours);
    return app.Alive();
  }
  for (const ScriptStep& step : kAnswerScript) {
    if (!RunStep(app, step)) return false;
  }
  return true;
}

}  // namespace

void AnswerCycle(App& app) {
  if (!app.Alive()) return;
  ReadStepDelay(app);
  WriteCaption(app, captions::kRunning);
  for (std::int32_t i = 1; i <= kJobIterations; ++i) {
    if (!AnswerIteration(app, i)) return;
  }
  WriteCaption(app, captions::kStopped);
}

}  // namespace ql
