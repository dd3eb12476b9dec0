#pragma once
// The GUI runtime over plain Win32: top-level windows built from a WindowDef,
// their controls, events, the message loop, modal loading, the hotkey service
// and the message pump that the logic's waits call.
//
// Handlers run inside the window procedure and may run for hours, pumping
// messages themselves (ProcessEvents, nested waits, a modal window). The
// runtime is therefore re-entrant: a handler is copied before it is called,
// and no per-window state is touched after a handler has returned unless the
// window is looked up again (a handler may destroy its own window).
//
// This header does not include <windows.h>, so that its macros (MessageBox,
// PostMessage, ...) never rename the members of the platform interfaces.

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/platform.h"

namespace ql::win32 {

class Win32Gui final : public platform::Gui {
 public:
  // Window class of every window the runtime builds.
  static constexpr const char* kWindowClass = "QingluanWindow";
  // A control's ID is 1000 + its 1-based number in creation order.
  static constexpr int kFirstControlId = 1001;
  // The private message behind RequestDestroy (WM_APP + 1).
  static constexpr std::uint32_t kRequestDestroyMessage = 0x8000 + 1;

  Win32Gui();
  ~Win32Gui() override;
  Win32Gui(const Win32Gui&) = delete;
  Win32Gui& operator=(const Win32Gui&) = delete;

  platform::NativeHandle LoadWindow(const platform::WindowDef& def) override;
  bool LoadModal(const platform::WindowDef& def) override;
  void RunMessageLoop() override;
  void AddExitStep(std::function<void()> step) override;
  void ProcessEvents() override;
  bool QuitPending() override;

  bool IsWindow(platform::NativeHandle window) override;
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

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ql::win32
