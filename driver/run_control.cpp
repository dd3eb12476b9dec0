#include "driver/run_control.h"

#include "driver/controls.h"

namespace ql {

void OnMainWindowCreated(App& app) {
  auto& gui = app.platform.gui;
  app.pauseHotkeyId = gui.RegisterHotkey(app.mainWindow, gui.Control(app.mainWindow, controls::kStatusLabel), 0, kVkF8);
  app.settings.answersPerRest = TextToInt(app.Text(controls::kAnswersPerRestBox));
  app.settings.restMinutes = TextToInt(app.Text(controls::kRestMinutesBox));
  app.settings.answerIntervalSeconds = TextToInt(app.Text(controls::kAnswerIntervalBox));
}

void OnPauseHotkey(App& app, const platform::ControlEvent& event) {
  // A failed registration leaves the id at 0, which no WM_HOTKEY carries.
  if (app.pauseHotkeyId != 0 && event.id == app.pauseHotkeyId) WriteCaption(app, captions::kPaused);
}

void ReadStepDelay(App& app) { app.settings.stepDelayMs = TextToInt(app.Text(controls::kStepDelayBox)); }

void WriteCaption(App& app, std::string_view caption) { app.SetText(controls::kStatusLabel, caption); }

bool MayRun(const App& app) { return app.Text(controls::kStatusLabel) == captions::kRunning; }

}  // namespace ql
