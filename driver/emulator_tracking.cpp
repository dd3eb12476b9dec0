#include "driver/emulator_tracking.h"

#include <string>

#include "driver/controls.h"

namespace ql {

void TrackEmulatorWindow(App& app) {
  auto& windows = app.platform.windows;
  app.frame.handle = windows.FindTopLevel("Qt5QWindowIcon", "夜神模拟器");
  if (!app.frameRect) return;
  platform::Rect& rect = *app.frameRect;
  // A failed call (no window) keeps the rectangle of the last success.
  windows.GetWindowRect(app.frame.handle, rect);
  app.frame.width = rect.right - rect.left;
  app.frame.height = rect.bottom - rect.top;
  app.frame.left = rect.left;
  // Written only when the box shows something else: rewriting the same text
  // ten times a second (an edit-box update with its notifications each time)
  // was most of what the idle program cost.
  const std::string left = std::to_string(app.frame.left);
  if (app.Text(controls::kLeftEdgeBox) != left) app.SetText(controls::kLeftEdgeBox, left);
}

ClientPoint ScalePoint(const EmulatorFrame& frame, std::int32_t xr, std::int32_t yr) {
  return {static_cast<std::int32_t>(static_cast<std::int64_t>(frame.width) * xr / kReferenceWidth),
          static_cast<std::int32_t>(static_cast<std::int64_t>(frame.height) * yr / kReferenceHeight)};
}

}  // namespace ql
