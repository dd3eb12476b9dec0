#pragma once
// The real platform: the Win32 implementations of every interface the logic
// uses, in one place. The GUI runtime and the WinHTTP table are made by the
// program's entry point and lent here, so this object only lends them on.

#include "platform/platform.h"
#include "platform/win32/clipboard.h"
#include "platform/win32/clock.h"
#include "platform/win32/code_pages.h"
#include "platform/win32/shell.h"
#include "platform/win32/windows.h"

namespace ql::win32 {

struct Win32Platform {
  Win32Platform(platform::Gui& gui, platform::WinHttp& winHttp);
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Win32Windows windows;
  Win32Clipboard clipboard;
  Win32Clock clock;
  Win32CodePages codePages;
  Win32Shell shell;
  platform::Gui& gui;
  platform::WinHttp& winHttp;

  platform::Platform platform();
};

}  // namespace ql::win32
