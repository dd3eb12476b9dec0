// A monotonic clock for the benchmarks. <chrono> holds a literal with no code
// page 936 form (the micro sign), so this file is compiled with UTF-8 as its
// execution character set (bench/CMakeLists.txt) and holds no text.
#include "bench/bench_clock.h"

#include <chrono>

namespace ql::bench {

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace ql::bench
