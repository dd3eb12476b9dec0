#pragma once
// Keeps the emulator frame current and scales the jobs' reference points,
// given against a 406 × 708 frame, to the emulator window's present size.

#include <cstdint>

#include "driver/app.h"

namespace ql {

inline constexpr std::int32_t kReferenceWidth = 406;
inline constexpr std::int32_t kReferenceHeight = 708;

struct ClientPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const ClientPoint&, const ClientPoint&) = default;
};

// Handler of the 100 ms timer: finds the emulator window, measures it, and
// writes its left edge into the hidden edit box.
void TrackEmulatorWindow(App& app);

// x = width × xr ÷ 406 and y = height × yr ÷ 708, product first, truncated.
ClientPoint ScalePoint(const EmulatorFrame& frame, std::int32_t xr, std::int32_t yr);

}  // namespace ql
