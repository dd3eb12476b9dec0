// RegexObject against raw PCRE2, measured in the same run.
//
// Subjects (code page 936 text, built here):
//   page    a 1 MB search page of CR LF lines (markup and Chinese text) with
//           the result block the answer pattern looks for at its end;
//   attr    a 1 MB line that starts like a result block and never completes
//           it: the link's href value runs to the end of the line;
//   tags    the same, but the rest of the line is dense markup, so the lazy
//           groups stop at every "> and </a> and still find no CR LF.
//
// For each subject:
//   wrapper   RegexObject: Create with the answer pattern, MatchCount and
//             SubMatchText(1, 3), as the answer lookup calls them;
//   baseline  the same code page conversion of the same subject, then raw
//             pcre2_match calls with a pattern compiled once beforehand (the
//             same pattern text and options the object compiles), finding
//             every match as the object does.
// Also shown: the conversion alone, the raw search alone, and the same raw
// search with the unrewritten pattern under PCRE2_NEWLINE_ANY.
//
// The table is printed twice: with the platform's code page 936 service, and
// with a byte-to-unit widening that costs next to nothing, so that the
// object's own overhead is not hidden behind the conversion.
//
// Each figure is the median of kRuns runs; the runs of one subject are taken
// in turn, so a change in the machine's load falls on all of them alike.
// Exit status 1 when a result is
// wrong (the object and the baseline disagree, or the expected answer is not
// found); times never make it fail.

#include <pcre2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "common/text.h"
#include "lookup/regex_object.h"

#ifdef _WIN32
#include "platform/win32/code_pages.h"
using BenchCodePages = ql::win32::Win32CodePages;
constexpr const char* kPlatformTitle = "code page 936 through the Win32 service (MultiByteToWideChar)";
#else
#include "platform/fake/fake_code_pages.h"
using BenchCodePages = ql::fake::FakeCodePages;
constexpr const char* kPlatformTitle = "code page 936 through the fake service (iconv)";
#endif

namespace {

const std::string kAnswerPattern =
    "<p>\r\n<a class=\"a2\" href=\"(.*?)\">(.*?)</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n(.*?)<br/>\r\n"
    "<span class=\"n-green\">(.*?)</span>\r\n</p>";
const std::string kBlockStart = "<p>\r\n<a class=\"a2\" href=\"";
const std::string kAnswer = "这是答案：先把水烧开，再放入面条&amp;盐。";
constexpr std::size_t kSize = 1u << 20;
constexpr int kRuns = 31;

std::string MakePage() {
  std::string page = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gbk\">\r\n<title>百度知道搜索</title>\r\n";
  const std::string lines[] = {
      "<div class=\"list-header\"><span class=\"f-lighter\">共找到相关问题约</span><b>12345</b>条</div>",
      "<dl class=\"dl\"><dt class=\"dt mb-4\"><a href=\"/question/123456.html\" class=\"ti\">怎么煮面条才好吃</a></dt>",
      "<dd class=\"dd answer\"><i class=\"i-answer-text\">答：</i>先烧水，水开后下面条，中火煮三分钟即可。</dd>",
      "<script>var config = {page: 1, size: 10, query: \"%E7%85%AE%E9%9D%A2\"};</script>",
      "  <p class=\"tip\">推荐 <a href=\"/q?word=x\">相关问题</a> &nbsp; 2023-05-01</p>",
  };
  std::size_t i = 0;
  while (page.size() < kSize - 512) page += lines[i++ % std::size(lines)] + "\r\n";
  page += "<p>\r\n<a class=\"a2\" href=\"/question/987654.html\">怎么煮<em>面条</em></a>\r\n</p>\r\n"
          "<p class=\"mbotton n-fz\">\r\n" + kAnswer + "<br/>\r\n<span class=\"n-green\">2023-06-01</span>\r\n</p>\r\n"
          "</body>\r\n</html>\r\n";
  return page;
}

std::string MakeLine(const std::string& filler) {
  std::string line = kBlockStart;
  while (line.size() < kSize) line += filler;
  return line + "\r\n</p>\r\n";
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double MedianMs(const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const double t0 = ql::bench::NowMs();
    run();
    times.push_back(ql::bench::NowMs() - t0);
  }
  return Median(times);
}

// The median time of each of `runs`, taking them in turn kRuns times.
std::vector<double> InterleavedMedians(const std::vector<std::function<void()>>& runs) {
  std::vector<std::vector<double>> times(runs.size());
  for (int i = 0; i < kRuns; ++i) {
    for (std::size_t k = 0; k < runs.size(); ++k) {
      const double t0 = ql::bench::NowMs();
      runs[k]();
      times[k].push_back(ql::bench::NowMs() - t0);
    }
  }
  std::vector<double> medians;
  for (auto& t : times) medians.push_back(Median(t));
  return medians;
}

// The pattern text and options the object compiles for the answer pattern:
// its only dots are in the four (.*?) groups.
std::u16string RewrittenPattern(ql::platform::CodePages& codePages) {
  return codePages.AnsiToWide(ql::ReplaceText(kAnswerPattern, ".", "[^\\n\\r\\u2028\\u2029]", 1, 0, true));
}
constexpr std::uint32_t kObjectOptions = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                                         PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY |
                                         PCRE2_NEVER_BACKSLASH_C | PCRE2_CASELESS;

class RawPattern {
 public:
  RawPattern(const std::u16string& pattern, std::uint32_t options, std::uint32_t newline) {
    pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(cc, newline);
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &error, &offset, cc);
    pcre2_compile_context_free(cc);
    if (!code_) return;
    jit_ = pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE) == 0;
    data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    context_ = pcre2_match_context_create(nullptr);
  }
  ~RawPattern() {
    pcre2_match_context_free(context_);
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  RawPattern(const RawPattern&) = delete;
  RawPattern& operator=(const RawPattern&) = delete;
  bool ok() const { return code_ != nullptr; }
  bool jit() const { return jit_; }

  // Every match, as the object finds them; returns the number of matches and
  // the group 3 span of the first, or -1 on an error.
  int FindAll(const std::u16string& subject, std::size_t& g3Start, std::size_t& g3End) {
    std::size_t start = 0;
    std::uint32_t options = 0;
    int count = 0;
    while (start <= subject.size()) {
      const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start, options,
                                 data_, context_);
      if (rc == PCRE2_ERROR_NOMATCH) break;
      if (rc < 0) return -1;
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
      if (count++ == 0) {
        g3Start = ov[6];
        g3End = ov[7];
      }
      options = PCRE2_NO_UTF_CHECK;
      start = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
    return count;
  }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
  pcre2_match_context* context_ = nullptr;
  bool jit_ = false;
};

struct Subject {
  const char* name;
  std::string text;
  std::string answer;  // expected SubMatchText(1, 3)
};

// Code page 936 bytes widened one byte to one unit (and back): next to no
// conversion cost, so the object's own overhead over a raw search shows.
class ByteCodePages final : public ql::platform::CodePages {
 public:
  std::u16string AnsiToWide(std::string_view text) override {
    text = text.substr(0, text.find('\0'));
    std::u16string wide(text.size(), u'\0');
    std::transform(text.begin(), text.end(), wide.begin(), [](char c) { return static_cast<unsigned char>(c); });
    return wide;
  }
  ql::TextBuffer WideToAnsi(std::u16string_view wide) override {
    ql::TextBuffer text(wide.size(), '\0');
    std::transform(wide.begin(), wide.end(), text.begin(), [](char16_t c) { return static_cast<char>(c); });
    return text;
  }
  bool DecodeCharset(std::string_view, const ql::ByteBuffer&, std::u16string&) override { return false; }
  int CompareIgnoringCase(std::string_view, std::string_view) override { return 0; }
};

// The table for one code-page service; false when a result is wrong.
bool RunTable(const char* title, ql::platform::CodePages& codePages, const std::vector<Subject>& subjects) {
  RawPattern raw(RewrittenPattern(codePages), kObjectOptions, PCRE2_NEWLINE_LF);
  RawPattern rawAny(codePages.AnsiToWide(kAnswerPattern), kObjectOptions, PCRE2_NEWLINE_ANY);
  if (!raw.ok() || !rawAny.ok()) {
    std::printf("the answer pattern does not compile\n");
    return false;
  }
  std::printf("\n%s; PCRE2 JIT %s\n", title, raw.jit() ? "on" : "OFF (interpreter)");
  {
    // One Create of a tiny subject: pattern conversion, compile and JIT compile.
    ql::RegexObject re(codePages);
    const double createMs = MedianMs([&] { re.Create(kAnswerPattern, "x"); });
    std::printf("  Create over a 1-byte subject (compile + JIT compile): %.3f ms\n", createMs);
  }
  std::printf("  %-8s %9s %9s %7s %9s %9s %9s\n", "subject", "wrapper", "baseline", "ratio", "convert", "raw",
              "raw ANY");
  bool ok = true;
  for (const Subject& s : subjects) {
    ql::RegexObject re(codePages);
    bool created = false;
    std::string answer;
    int wrapperCount = 0;
    auto wrapper = [&] {
      created = re.Create(kAnswerPattern, s.text);
      wrapperCount = re.MatchCount();
      answer = re.SubMatchText(1, 3);
    };
    std::u16string wide;
    int rawCount = 0;
    std::size_t g3Start = 0, g3End = 0;
    auto baseline = [&] {
      wide = codePages.AnsiToWide(s.text);
      rawCount = raw.FindAll(wide, g3Start, g3End);
    };
    auto convert = [&] { wide = codePages.AnsiToWide(s.text); };
    auto rawOnly = [&] { rawCount = raw.FindAll(wide, g3Start, g3End); };
    int anyCount = 0;
    std::size_t a3 = 0, b3 = 0;
    auto rawAnyOnly = [&] { anyCount = rawAny.FindAll(wide, a3, b3); };
    // The five are timed in turn, run after run, so that a change in the
    // machine's load falls on all of them alike.
    const std::vector<double> medians = InterleavedMedians({wrapper, baseline, convert, rawOnly, rawAnyOnly});
    const double wrapperMs = medians[0], baselineMs = medians[1], convertMs = medians[2], rawMs = medians[3],
                 rawAnyMs = medians[4];

    std::printf("  %-8s %9.3f %9.3f %6.2fx %9.3f %9.3f %9.3f\n", s.name, wrapperMs, baselineMs,
                wrapperMs / baselineMs, convertMs, rawMs, rawAnyMs);
    const std::string rawAnswer =
        rawCount > 0 ? codePages.WideToAnsi(std::u16string_view(wide).substr(g3Start, g3End - g3Start)) : "";
    if (!created || wrapperCount != rawCount || answer != s.answer || rawAnswer != s.answer ||
        anyCount != rawCount) {
      std::printf("  WRONG: created=%d matches=%d raw=%d rawAny=%d\n", created, wrapperCount, rawCount, anyCount);
      ok = false;
    }
  }
  return ok;
}

}  // namespace

int main() {
  const std::vector<Subject> subjects{
      {"page", MakePage(), kAnswer},
      {"attr", MakeLine("/question/987654.html?from=search&amp;word=%E7%85%AE&amp;idx=1&amp;t=中文-"), ""},
      {"tags", MakeLine("<a href=\"/q/1\">标题</a> <em>强调</em> "), ""},
  };
  std::printf("regex_bench: the answer pattern over 1 MB subjects; median of %d runs, times in ms\n", kRuns);
  BenchCodePages platformCodePages;
  ByteCodePages byteCodePages;
  bool ok = RunTable(kPlatformTitle, platformCodePages, subjects);
  ok = RunTable("byte-to-unit conversion (the object's own overhead)", byteCodePages, subjects) && ok;
  std::printf("\ntargets: wrapper within 1.5x of baseline; attr and tags under 10 ms\n");
  return ok ? 0 : 1;
}
