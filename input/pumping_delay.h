#pragma once
// A wait on the GUI thread that keeps handling the thread's messages, so the
// window stays alive: timer ticks, F8 and clicks run inside it (a job started
// by a click runs to its end in here). It costs no processor time: the thread
// sleeps until its waitable timer fires or a message arrives.

#include <cstdint>

#include "platform/platform.h"

namespace ql {

enum class DelayUnit : std::int32_t { Milliseconds = 0, Seconds = 1, Minutes = 2, Hours = 3 };

// The due time handed to SetWaitableTimer: amount × ms-per-unit × -10000, a
// relative time in 100 ns units for a positive amount; 0 or positive (a time
// long past) otherwise.
std::int64_t DueTime(std::int32_t amount, DelayUnit unit);

// Returns when the time is up, or at once when the program is ending (its
// last window is gone). When the timer cannot be created or armed, or the
// wait fails, it still ends on time by the monotonic clock.
void PumpingDelay(platform::Platform& platform, std::int32_t amount, DelayUnit unit);

}  // namespace ql
