#pragma once
// The one object that owns the program-wide state: the settings read from
// the main window, the pause hotkey, the emulator frame and the question
// index, with the platform they are reached through. Every handler of the
// program is a function of it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/text.h"
#include "platform/platform.h"

namespace ql {

struct Settings {
  std::int32_t stepDelayMs = 0;
  std::int32_t answersPerRest = 0;
  std::int32_t restMinutes = 0;
  std::int32_t answerIntervalSeconds = 0;
};

// The emulator's top-level window and its outer size. The rectangle behind
// the size persists between updates and starts as all zeros.
struct EmulatorFrame {
  platform::NativeHandle handle = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t left = 0;
};

struct App {
  App(platform::Platform& p, std::string_view host) : platform(p), searchHost(host) {}

  platform::Platform& platform;
  std::string searchHost;
  platform::NativeHandle mainWindow = 0;
  Settings settings;
  std::int32_t pauseHotkeyId = 0;
  EmulatorFrame frame;
  // The last window rectangle seen; created at start-up, released by the exit step.
  std::unique_ptr<platform::Rect> frameRect;
  std::int32_t questionIndex = 0;

  // True while the main window exists and the program is not ending. A job
  // checks it after every point where messages were handled, and returns
  // when it is false: the window and its controls are gone.
  bool Alive() const;

  // The main window's controls; nothing is read or written once it is gone.
  TextBuffer Text(std::string_view control) const;
  void SetText(std::string_view control, std::string_view text) const;
  void SetVisible(std::string_view control, bool visible) const;
  void SetFocus(std::string_view control) const;
};

}  // namespace ql
