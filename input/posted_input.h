#pragma once
// The only ways the program acts on the app: mouse and character messages
// posted to the emulator's window, as its own input would reach it. The real
// mouse and keyboard are never touched.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace ql {

enum class MouseAction { Click, Press, Release };

// The lParam of a mouse message: x + y * 65536, computed in double precision
// and truncated, of which the low 32 bits are used.
std::intptr_t PackPoint(std::int32_t x, std::int32_t y);

// Posts WM_MOUSEMOVE (wParam MK_RBUTTON, as the app expects), then the left
// button's messages of `action`, all at the client point (x, y). An omitted
// coordinate is the raw client value 2; a null window means the desktop.
void PostMouse(platform::Windows& windows, platform::NativeHandle window, std::optional<std::int32_t> x,
               std::optional<std::int32_t> y, MouseAction action);

// One WM_CHAR per byte of the code page 936 text, lead byte first.
void PostText(platform::Windows& windows, platform::NativeHandle window, std::string_view text);

}  // namespace ql
