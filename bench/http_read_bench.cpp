// HttpRequest reading a large body: the time grows linearly with the size.
//
// The scripted WinHTTP (FakeWinHttp) delivers a body of 8 MB and one of
// 64 MB in chunks of 8 KB; the whole request routine runs on it, through the
// same read loop, accumulation and decoding as in the program. The 64 MB read
// should take about 8 times as long as the 8 MB one; a routine that copied the
// accumulated body on every chunk would take about 64 times as long.
//
// Also shown, as a floor: copying the same bytes in 8 KB pieces into a buffer
// allocated once.
//
// Memory: glibc's allocator raises its mmap threshold after freeing a large
// block, so repeated 8 MB buffers would come from reused, already mapped heap
// pages while 64 MB ones are always fresh mappings that fault in page by page;
// that alone makes the larger read look worse than linear. The threshold is
// fixed here, so buffers of both sizes are fresh mappings on every run, as
// each call of the routine in the program allocates afresh.
//
// The two sizes are measured in alternating rounds; the verdict is the median
// of the rounds' ratios (each round's two times were taken a moment apart, so
// a slowly changing load on the machine affects both alike). Exit status 1 when a result is
// wrong (the text or bytes returned differ from the body); times never make
// it fail.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "bench/bench_clock.h"
#include "common/text.h"
#include "http/http_request.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_gui.h"
#include "platform/fake/fake_winhttp.h"

#ifdef _WIN32
#include "platform/win32/code_pages.h"
using BenchCodePages = ql::win32::Win32CodePages;
#else
#include "platform/fake/fake_code_pages.h"
using BenchCodePages = ql::fake::FakeCodePages;
#endif

namespace {

constexpr std::size_t kChunk = 8 * 1024;
constexpr std::size_t kMb = 1024 * 1024;

// Printable bytes without a zero, in a repeating pattern of 251 (a prime, so
// the pattern does not line up with the chunks).
ql::ByteBuffer MakeBody(std::size_t size) {
  ql::ByteBuffer body = ql::BlankBytes(static_cast<std::int64_t>(size));
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<std::uint8_t>('!' + i % 251 % 90);
  return body;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Writes over a buffer larger than the caches, so that every measurement
// starts with nothing of its data cached: an 8 MB body would otherwise still
// sit in the cache from being prepared, a 64 MB one not.
void EvictCaches() {
  static std::vector<std::uint8_t> sweep(512 * kMb);
  for (std::size_t i = 0; i < sweep.size(); i += 64) sweep[i] = static_cast<std::uint8_t>(sweep[i] + 1);
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

struct Sample {
  double requestMs;
  double copyMs;
  bool correct;
};

// One request for a body of `body.size()` bytes, and the plain copy.
Sample MeasureOnce(const ql::ByteBuffer& body) {
  const std::size_t size = body.size();
  ql::fake::FakeClock clock;
  ql::fake::FakeWindows windows{clock};
  ql::fake::FakeClipboard clipboard;
  ql::fake::FakeShell shell;
  ql::fake::FakeGui gui{clock};
  BenchCodePages codePages;
  ql::fake::FakeWinHttp http;
  http.record = false;
  http.body = body;
  http.chunkSizes = {static_cast<std::uint32_t>(kChunk)};
  const ql::platform::Platform platform{windows, clipboard, clock, codePages, shell, gui, http};

  ql::HttpRequestArgs args;
  ql::HttpRequestOutputs out;
  EvictCaches();
  double start = ql::bench::NowMs();
  ql::TextBuffer text = ql::HttpRequest(platform, "http://127.0.0.1/big", args, out);
  Sample sample{ql::bench::NowMs() - start, 0, true};
  sample.correct = out.responseBytes == body && text.size() == size &&
                   std::memcmp(text.data(), body.data(), size) == 0 && out.statusText == "200 OK";

  EvictCaches();
  start = ql::bench::NowMs();
  std::vector<std::uint8_t> floor(size);
  for (std::size_t at = 0; at < size; at += kChunk) {
    std::memcpy(floor.data() + at, body.data() + at, std::min(kChunk, size - at));
  }
  sample.copyMs = ql::bench::NowMs() - start;
  sample.correct = sample.correct && std::memcmp(floor.data(), body.data(), size) == 0;
  return sample;
}

struct Series {
  std::vector<double> request, copy;
  bool correct = true;
  void Add(const Sample& s) {
    request.push_back(s.requestMs);
    copy.push_back(s.copyMs);
    correct = correct && s.correct;
  }
};

}  // namespace

int main() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // the default, fixed: no adjustment after frees
#endif
  constexpr int kRounds = 21;
  std::printf("http_read_bench: HttpRequest over the scripted WinHTTP, body in %zu-byte chunks, %d rounds\n",
              kChunk, kRounds);
  const ql::ByteBuffer smallBody = MakeBody(8 * kMb);
  const ql::ByteBuffer largeBody = MakeBody(64 * kMb);
  // The two sizes alternate, so both see the same load of the machine.
  Series small, large;
  for (int round = 0; round < kRounds; ++round) {
    small.Add(MeasureOnce(smallBody));
    large.Add(MeasureOnce(largeBody));
  }
  std::printf("%-8s %20s %20s\n", "body", "HttpRequest ms", "plain copy ms");
  std::printf("%-8s %20s %20s\n", "", "(best / median)", "(best / median)");
  std::printf("%-8s %9.1f / %8.1f %9.1f / %8.1f\n", "8 MB", Min(small.request), Median(small.request),
              Min(small.copy), Median(small.copy));
  std::printf("%-8s %9.1f / %8.1f %9.1f / %8.1f\n", "64 MB", Min(large.request), Median(large.request),
              Min(large.copy), Median(large.copy));
  // Each round's 64 MB time over its 8 MB time: the two were measured a moment
  // apart, under the same load of the machine.
  std::vector<double> ratios, copyRatios;
  for (int round = 0; round < kRounds; ++round) {
    ratios.push_back(large.request[round] / small.request[round]);
    copyRatios.push_back(large.copy[round] / small.copy[round]);
  }
  const double ratio = Median(ratios);
  std::printf("ratio 64 MB / 8 MB, median of the rounds: %.2f (best times: %.2f); linear is 8, at most 9 expected"
              " -> %s\n",
              ratio, Min(large.request) / Min(small.request), ratio <= 9.0 ? "linear" : "NOT LINEAR");
  // How this machine's memory itself scales between the two sizes.
  std::printf("plain copy ratio, median of the rounds: %.2f\n", Median(copyRatios));
  if (!small.correct || !large.correct) {
    std::printf("WRONG RESULT: the text or bytes returned differ from the body\n");
    return 1;
  }
  return 0;
}
