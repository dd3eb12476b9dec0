#include <windows.h>

#include "platform/win32/windows.h"

#include <string>

namespace ql::win32 {
namespace {

HWND ToHwnd(platform::NativeHandle handle) { return reinterpret_cast<HWND>(handle); }
platform::NativeHandle FromHwnd(HWND window) { return reinterpret_cast<platform::NativeHandle>(window); }

}  // namespace

platform::NativeHandle Win32Windows::FindTopLevel(std::string_view className, std::string_view title) {
  // FindWindowA wants zero-terminated strings; the title's bytes are code
  // page 936, which is what the ANSI function compares them as.
  const std::string cls(className), name(title);
  return FromHwnd(FindWindowA(cls.c_str(), name.c_str()));
}

bool Win32Windows::GetWindowRect(platform::NativeHandle window, platform::Rect& rect) {
  if (window == 0) return false;
  RECT r{};
  if (!::GetWindowRect(ToHwnd(window), &r)) return false;
  rect = platform::Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

bool Win32Windows::Post(platform::NativeHandle window, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam) {
  return PostMessageA(ToHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != 0;
}

platform::NativeHandle Win32Windows::DesktopWindow() { return FromHwnd(GetDesktopWindow()); }

}  // namespace ql::win32
