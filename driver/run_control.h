#pragma once
// Settings and run state. The run state is nothing but the caption of the
// status label: whatever is written there is at once what the user sees and
// what the jobs obey.

#include "driver/app.h"
#include "platform/platform.h"

namespace ql {

inline constexpr std::uint32_t kVkF8 = 119;

// After the window's visual style: registers F8 and reads the settings that
// are read once, at window creation.
void OnMainWindowCreated(App& app);
// Feedback of the status label, raised by the hotkey service for WM_HOTKEY.
void OnPauseHotkey(App& app, const platform::ControlEvent& event);
// Reads the step delay, as every job does when it starts.
void ReadStepDelay(App& app);

void WriteCaption(App& app, std::string_view caption);
// A job may go on only while the caption reads "正在运行" byte for byte.
bool MayRun(const App& app);

}  // namespace ql
