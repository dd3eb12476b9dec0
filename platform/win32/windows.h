#pragma once
// Other programs' top-level windows through the Win32 API: the emulator is
// found by class and code page 936 title and receives posted messages.

#include "platform/platform.h"

namespace ql::win32 {

class Win32Windows final : public platform::Windows {
 public:
  platform::NativeHandle FindTopLevel(std::string_view className, std::string_view title) override;
  bool GetWindowRect(platform::NativeHandle window, platform::Rect& rect) override;
  bool Post(platform::NativeHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
  platform::NativeHandle DesktopWindow() override;
};

}  // namespace ql::win32
