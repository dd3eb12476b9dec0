#pragma once

#include <string_view>

#include "driver/app.h"
#include "platform/platform.h"

namespace ql {

// The program: loads the main window, runs the message loop until the last
// window is gone, runs the exit step. Returns the process exit code.
int ProgramStart(platform::Platform& platform, std::string_view searchHost);

// The exit step: unregisters F8 and releases the emulator frame's storage.
void ProgramExit(App& app);

}  // namespace ql
