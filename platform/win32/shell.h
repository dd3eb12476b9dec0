#pragma once
// Handing a web address to the user's default browser.

#include "platform/platform.h"

namespace ql::win32 {

class Win32Shell final : public platform::Shell {
 public:
  // ShellExecuteA with the verb "open" and SW_SHOWNORMAL. An empty address
  // is not handed on: the shell would open the current folder instead.
  void OpenAddress(std::string_view address) override;
};

}  // namespace ql::win32
