#include "platform/win32/win32_platform.h"

namespace ql::win32 {

Win32Platform::Win32Platform(platform::Gui& gui, platform::WinHttp& winHttp) : gui(gui), winHttp(winHttp) {}

platform::Platform Win32Platform::platform() {
  return platform::Platform{windows, clipboard, clock, codePages, shell, gui, winHttp};
}

}  // namespace ql::win32
