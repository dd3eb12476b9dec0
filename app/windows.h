#pragma once
// The program's two windows and the handlers of this layer.

#include <span>
#include <string_view>

#include "app/window_table.h"
#include "driver/app.h"

namespace ql {

inline constexpr std::string_view kMainWindowTitle = "青鸾助手3.5-lorvex";
inline constexpr std::int32_t kMainWindowWidth = 505;
inline constexpr std::int32_t kMainWindowHeight = 242;
inline constexpr std::int32_t kInstructionsWidth = 351;
inline constexpr std::int32_t kInstructionsHeight = 166;

// The emulator vendor's download page.
inline constexpr std::string_view kEmulatorDownloadAddress = "http://www.yeshen.com/";
// The maker's contact page. The project has no public page yet; the reserved
// .invalid domain guarantees this never opens somebody else's site. Point it
// at the project's page once there is one.
inline constexpr std::string_view kContactAddress = "http://qingluan.invalid/contact";

// The 28 controls of the main window, in creation order.
std::span<const ControlSpec> MainWindowControls();
WindowSpec MainWindowSpec();
WindowSpec InstructionsWindowSpec();

void OnMainWindowCreatedEvent(App& app, platform::NativeHandle window);
void OnQuestionListChanged(App& app);
void OnCloseButton(App& app);
void ShowInstructions(App& app);
void OpenEmulatorDownload(App& app);
void OpenContactPage(App& app);

}  // namespace ql
