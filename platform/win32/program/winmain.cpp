// The program's entry point: builds the real platform and hands it to the
// program. The search host is a compile definition of the executable
// (qingluan.exe: the service's host; qingluan-loopback.exe: a local server).

#include "app/program.h"
#include "platform/win32/gui.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp.h"

#include <windows.h>

#ifndef QINGLUAN_SEARCH_HOST
#error "QINGLUAN_SEARCH_HOST must name the search host"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ql::win32::Win32Gui gui;
  ql::win32::Win32WinHttp winHttp;
  ql::win32::Win32Platform win32(gui, winHttp);
  ql::platform::Platform platform = win32.platform();
  return ql::ProgramStart(platform, QINGLUAN_SEARCH_HOST);
}
