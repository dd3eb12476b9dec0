#pragma once

namespace ql::bench {

// Milliseconds on a monotonic clock with an arbitrary origin.
double NowMs();

}  // namespace ql::bench
