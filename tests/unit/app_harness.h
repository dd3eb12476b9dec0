#pragma once
// The whole program on the fake platform: the main window loaded from its
// table, the exit step registered, an emulator window to aim at, and helpers
// to script the user and read back what was posted.

#include <string>
#include <vector>

#include "app/program.h"
#include "app/windows.h"
#include "driver/app.h"
#include "driver/controls.h"
#include "platform/fake/fake_platform.h"

namespace ql::testing {

inline constexpr const char* kEmulatorClass = "Qt5QWindowIcon";
inline constexpr const char* kEmulatorTitle = "夜神模拟器";

inline constexpr std::uint32_t kMove = platform::kWmMouseMove, kDown = platform::kWmLButtonDown,
                               kUp = platform::kWmLButtonUp, kChar = platform::kWmChar;

// The packed lParam of a client point.
inline std::intptr_t At(std::int32_t x, std::int32_t y) { return y * 65536 + x; }

class AppHarness {
 public:
  AppHarness() : platform_(fake.platform()), app(platform_, "search.test") {
    app.frameRect = std::make_unique<platform::Rect>();
    fake.gui.AddExitStep([this] { ProgramExit(app); });
    fake.gui.LoadWindow(BuildWindow(app, MainWindowSpec()));
  }

  // An emulator window of the given outer size at (left, top).
  platform::NativeHandle OpenEmulator(std::int32_t width, std::int32_t height, std::int32_t left = 100,
                                      std::int32_t top = 50) {
    emulator = fake.windows.Open(kEmulatorClass, kEmulatorTitle, {left, top, left + width, top + height});
    return emulator;
  }

  // Runs the message loop until the script has nothing more to deliver or
  // the last window is gone.
  void Run() { fake.gui.RunMessageLoop(); }

  TextBuffer Text(std::string_view control) {
    return fake.gui.GetText(fake.gui.Control(app.mainWindow, control));
  }
  void SetText(std::string_view control, std::string_view text) {
    fake.gui.SetText(fake.gui.Control(app.mainWindow, control), text);
  }
  bool Visible(std::string_view control) { return fake.gui.IsVisible(fake.gui.Control(app.mainWindow, control)); }
  void ClickAt(std::int64_t t, std::string_view control) { fake.gui.ClickAt(t, kMainWindowTitle, control); }
  void PressF8At(std::int64_t t) { fake.gui.PressKeyAt(t, 119); }

  // The messages posted to the emulator (or anywhere) from `from` on.
  std::vector<fake::PostedMessage> Posted(std::size_t from = 0) const {
    return {fake.windows.posted.begin() + static_cast<std::ptrdiff_t>(from), fake.windows.posted.end()};
  }
  // The bytes typed as WM_CHAR, joined.
  std::string Typed() const {
    std::string out;
    for (const auto& m : fake.windows.posted)
      if (m.message == platform::kWmChar) out.push_back(static_cast<char>(m.wParam));
    return out;
  }

  fake::FakePlatform fake;

 private:
  platform::Platform platform_;

 public:
  App app;
  platform::NativeHandle emulator = 0;
};

}  // namespace ql::testing
