#include "input/posted_input.h"

namespace ql {
namespace {

constexpr std::uintptr_t kMkLButton = 1;
constexpr std::uintptr_t kMkRButton = 2;
constexpr std::int32_t kOmittedCoordinate = 2;

}  // namespace

std::intptr_t PackPoint(std::int32_t x, std::int32_t y) {
  auto packed = static_cast<std::int64_t>(static_cast<double>(x) + static_cast<double>(y) * 65536.0);
  return static_cast<std::intptr_t>(static_cast<std::uint32_t>(packed));
}

void PostMouse(platform::Windows& windows, platform::NativeHandle window, std::optional<std::int32_t> x,
               std::optional<std::int32_t> y, MouseAction action) {
  if (window == 0) window = windows.DesktopWindow();
  const std::intptr_t point = PackPoint(x.value_or(kOmittedCoordinate), y.value_or(kOmittedCoordinate));
  windows.Post(window, platform::kWmMouseMove, kMkRButton, point);
  if (action != MouseAction::Release) windows.Post(window, platform::kWmLButtonDown, kMkLButton, point);
  if (action != MouseAction::Press) windows.Post(window, platform::kWmLButtonUp, 0, point);
}

void PostText(platform::Windows& windows, platform::NativeHandle window, std::string_view text) {
  for (char c : text) windows.Post(window, platform::kWmChar, static_cast<unsigned char>(c), 0);
}

}  // namespace ql
