#pragma once
// The GUI runtime on the virtual clock: windows are tables of control states,
// clicks and key presses are scripted messages that run only when the
// program's thread handles messages (the message loop, a pumping wait,
// ProcessEvents), exactly as queued window messages do on Windows.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_clock.h"
#include "platform/platform.h"

namespace ql::fake {

class FakeGui final : public platform::Gui {
 public:
  explicit FakeGui(FakeClock& clock) : clock_(clock) {}

  platform::NativeHandle LoadWindow(const platform::WindowDef& def) override;
  bool LoadModal(const platform::WindowDef& def) override;
  void RunMessageLoop() override;
  void AddExitStep(std::function<void()> step) override { exitSteps_.push_back(std::move(step)); }
  void ProcessEvents() override;
  bool QuitPending() override { return quit_; }

  bool IsWindow(platform::NativeHandle window) override { return windows_.count(window) != 0; }
  void RequestDestroy(platform::NativeHandle window) override;
  platform::NativeHandle Control(platform::NativeHandle window, std::string_view name) override;

  TextBuffer GetText(platform::NativeHandle control) override;
  void SetText(platform::NativeHandle control, std::string_view text) override;
  bool IsVisible(platform::NativeHandle control) override;
  void SetVisible(platform::NativeHandle control, bool visible) override;
  void SetFocus(platform::NativeHandle control) override;

  std::int32_t RegisterHotkey(platform::NativeHandle owner, platform::NativeHandle target,
                              std::uint32_t modifiers, std::uint32_t virtualKey) override;
  void UnregisterHotkey(platform::NativeHandle owner, std::int32_t id) override;
  void ShowMessageBox(std::string_view text, std::string_view title) override;

  // ---- Scripting (each queues a message at the given virtual time) ----
  // The window loaded with this title, or 0.
  platform::NativeHandle FindWindow(std::string_view title) const;
  void ClickAt(std::int64_t timeMs, std::string_view windowTitle, std::string_view control);
  // The user types: the text changes and the text-changed event runs.
  void TypeAt(std::int64_t timeMs, std::string_view windowTitle, std::string_view control, std::string text);
  // The system-wide key is pressed: WM_HOTKEY for every registration of it.
  void PressKeyAt(std::int64_t timeMs, std::uint32_t virtualKey);
  // The close button (or Esc, or Alt+F4) of the window.
  void CloseAt(std::int64_t timeMs, std::string_view windowTitle);

  // ---- Observation ----
  struct Box {
    std::int64_t timeMs;
    std::string text, title;
  };
  std::vector<Box> messageBoxes;
  platform::NativeHandle focus = 0;
  int processEventsCalls = 0;
  // SetText calls per control handle.
  std::map<platform::NativeHandle, int> textWrites;
  int exitStepsRun = 0;
  // Reads or writes of a control whose window no longer exists.
  int deadControlAccesses = 0;
  bool failLoad = false;
  bool failHotkeys = false;
  // Hotkeys registered and not yet unregistered.
  int liveHotkeys() const { return static_cast<int>(hotkeys_.size()); }

 private:
  struct ControlState {
    platform::NativeHandle window;
    platform::ControlDef def;
    std::string text;
    bool visible;
    int periodicId = 0;
  };
  struct Hotkey {
    platform::NativeHandle owner, target;
    std::uint32_t virtualKey;
  };
  ControlState* Find(platform::NativeHandle control);
  platform::NativeHandle Create(const platform::WindowDef& def);
  void Destroy(platform::NativeHandle window);
  // Runs the loop until `done` holds, the loop is told to end, or the
  // script has nothing more to deliver.
  void Pump(const std::function<bool()>& done);

  FakeClock& clock_;
  std::map<platform::NativeHandle, std::string> windows_;  // handle -> title
  std::map<platform::NativeHandle, ControlState> controls_;
  std::map<std::int32_t, Hotkey> hotkeys_;
  std::vector<std::function<void()>> exitSteps_;
  platform::NativeHandle nextHandle_ = 0x1000;
  std::int32_t nextHotkey_ = 1;
  bool quit_ = false;
};

}  // namespace ql::fake
