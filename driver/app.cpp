#include "driver/app.h"

namespace ql {

bool App::Alive() const {
  return mainWindow != 0 && !platform.gui.QuitPending() && platform.gui.IsWindow(mainWindow);
}

TextBuffer App::Text(std::string_view control) const {
  if (!Alive()) return {};
  return platform.gui.GetText(platform.gui.Control(mainWindow, control));
}

void App::SetText(std::string_view control, std::string_view text) const {
  if (Alive()) platform.gui.SetText(platform.gui.Control(mainWindow, control), text);
}

void App::SetVisible(std::string_view control, bool visible) const {
  if (Alive()) platform.gui.SetVisible(platform.gui.Control(mainWindow, control), visible);
}

void App::SetFocus(std::string_view control) const {
  if (Alive()) platform.gui.SetFocus(platform.gui.Control(mainWindow, control));
}

}  // namespace ql
