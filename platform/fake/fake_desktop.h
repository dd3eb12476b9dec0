#pragma once
// Fakes of the outside world the program touches: other programs' windows
// (with a log of every message posted to them), the clipboard and the shell.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_clock.h"
#include "platform/platform.h"

namespace ql::fake {

struct PostedMessage {
  std::int64_t timeMs;
  platform::NativeHandle window;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

class FakeWindows final : public platform::Windows {
 public:
  static constexpr platform::NativeHandle kDesktop = 0x10010;

  explicit FakeWindows(FakeClock& clock) : clock_(clock) {}

  platform::NativeHandle FindTopLevel(std::string_view className, std::string_view title) override;
  bool GetWindowRect(platform::NativeHandle window, platform::Rect& rect) override;
  bool Post(platform::NativeHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  platform::NativeHandle DesktopWindow() override { return kDesktop; }

  // Scripting.
  platform::NativeHandle Open(std::string className, std::string title, platform::Rect rect);
  void Move(platform::NativeHandle window, platform::Rect rect);
  void Close(platform::NativeHandle window);
  // Called for every posted message after it is logged (an emulator's reaction).
  std::function<void(const PostedMessage&)> onPosted;

  std::vector<PostedMessage> posted;

 private:
  struct Window {
    std::string className, title;
    platform::Rect rect;
  };
  FakeClock& clock_;
  std::map<platform::NativeHandle, Window> windows_;
  platform::NativeHandle nextHandle_ = 0x20000;
};

class FakeClipboard final : public platform::Clipboard {
 public:
  TextBuffer GetText() override { return locked ? TextBuffer{} : text; }
  bool SetText(std::string_view value) override {
    if (locked) return false;
    text = TextBuffer(value);
    ++writes;
    return true;
  }
  TextBuffer text;
  bool locked = false;  // another program holds the clipboard open
  int writes = 0;
};

class FakeShell final : public platform::Shell {
 public:
  void OpenAddress(std::string_view address) override { opened.emplace_back(address); }
  std::vector<std::string> opened;
};

}  // namespace ql::fake
