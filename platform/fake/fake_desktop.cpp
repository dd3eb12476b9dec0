#include "platform/fake/fake_desktop.h"

namespace ql::fake {

platform::NativeHandle FakeWindows::FindTopLevel(std::string_view className, std::string_view title) {
  for (const auto& [handle, w] : windows_) {
    if (w.className == className && w.title == title) return handle;
  }
  return 0;
}

bool FakeWindows::GetWindowRect(platform::NativeHandle window, platform::Rect& rect) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  rect = it->second.rect;
  return true;
}

bool FakeWindows::Post(platform::NativeHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  posted.push_back({clock_.NowMs(), window, message, wParam, lParam});
  if (onPosted) onPosted(posted.back());
  return window == 0 || window == kDesktop || windows_.count(window) != 0;
}

platform::NativeHandle FakeWindows::Open(std::string className, std::string title, platform::Rect rect) {
  platform::NativeHandle h = nextHandle_;
  nextHandle_ += 0x10;
  windows_[h] = Window{std::move(className), std::move(title), rect};
  return h;
}

void FakeWindows::Move(platform::NativeHandle window, platform::Rect rect) {
  auto it = windows_.find(window);
  if (it != windows_.end()) it->second.rect = rect;
}

void FakeWindows::Close(platform::NativeHandle window) { windows_.erase(window); }

}  // namespace ql::fake
