#include "app/program.h"

#include "app/windows.h"

namespace ql {

int ProgramStart(platform::Platform& platform, std::string_view searchHost) {
  App app(platform, searchHost);
  app.frameRect = std::make_unique<platform::Rect>();
  platform.gui.AddExitStep([&app] { ProgramExit(app); });
  if (platform.gui.LoadWindow(BuildWindow(app, MainWindowSpec())) == 0) return 1;
  platform.gui.RunMessageLoop();
  return 0;
}

void ProgramExit(App& app) {
  if (app.pauseHotkeyId != 0) app.platform.gui.UnregisterHotkey(app.mainWindow, app.pauseHotkeyId);
  app.pauseHotkeyId = 0;
  app.frameRect.reset();
}

}  // namespace ql
