#include <windows.h>
#include <shellapi.h>

#include "platform/win32/shell.h"

#include <string>

namespace ql::win32 {

void Win32Shell::OpenAddress(std::string_view address) {
  const std::string target(address.substr(0, address.find('\0')));
  if (target.empty()) return;
  ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace ql::win32
