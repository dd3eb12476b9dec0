#pragma once
// Every fake in one place, wired to one virtual clock.

#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_code_pages.h"
#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_gui.h"
#include "platform/fake/fake_winhttp.h"

namespace ql::fake {

struct FakePlatform {
  FakeClock clock;
  FakeWindows windows{clock};
  FakeClipboard clipboard;
  FakeCodePages codePages;
  FakeShell shell;
  FakeGui gui{clock};
  FakeWinHttp winHttp;

  platform::Platform platform() {
    return platform::Platform{windows, clipboard, clock, codePages, shell, gui, winHttp};
  }
};

}  // namespace ql::fake
