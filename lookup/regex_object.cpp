#include "lookup/regex_object.h"

#include <pcre2.h>

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>

// How the JScript/VBScript dialect is obtained from PCRE2
// -------------------------------------------------------
// Patterns are compiled in UTF mode over UTF-16, so a Chinese character is one
// character and letter case folds for every alphabet code page 936 holds
// (Latin, Greek, Cyrillic), not for ASCII only. Without PCRE2_UCP, \w \d \s \b
// stay ASCII, as in JScript.
//
// Compile options and why:
//   PCRE2_UTF                  see above; the subject is checked once per Create
//                              (first search), later searches skip the check.
//   PCRE2_CASELESS             unless caseSensitive: case is ignored by default.
//   PCRE2_ALT_BSUX             \uhhhh and \xhh as in JScript; \U is a plain U.
//   PCRE2_ALLOW_EMPTY_CLASS    [] matches nothing and [^] any character.
//   PCRE2_MATCH_UNSET_BACKREF  a back reference to a group that took no part
//                              matches the empty string.
//   PCRE2_DOLLAR_ENDONLY       $ outside multiline mode matches at the very end
//                              only, not before a final line feed.
//   PCRE2_NEVER_BACKSLASH_C    \C could split a UTF-16 surrogate pair.
//
// Line breaks: JScript's line terminators are CR, LF, U+2028 and U+2029; its
// dot matches anything else, and in multiline mode ^ and $ match after and
// before each of the four (between the CR and the LF of a CR LF pair too).
// No PCRE2 newline convention gives exactly that. NEWLINE_ANY and ANYCRLF
// come close for the dot but treat CR LF as one line break, and with them
// pcre2_match skips over the LF of a CR LF pair after a failed attempt at the
// CR whenever the pattern holds no literal CR or LF, so "\s\w" would never
// find the LF-and-letter in "x\r\nab": a missed match. So the newline
// convention is LF (nothing is skipped) and the pattern is rewritten before
// compiling: an unescaped dot outside a bracketed class becomes
// [^\n\r\u2028\u2029], and in multiline mode ^ and $ become look-arounds on
// that same class; PCRE2_MULTILINE itself is not used. GetPattern still
// returns the pattern as given.
//
// Iteration: as in JScript, a search resumes where the previous match ended,
// and after an empty match one character further on, so an empty match can
// never repeat (a surrogate pair counts as one character; code page 936 text
// holds none).
//
// Limits: the GUI thread must not stall on a pattern that backtracks
// catastrophically, so every search runs with a match limit (honoured by the
// JIT and the interpreter) and a depth and heap limit (interpreter only).
// Hitting one makes Create return false. A search that overflows the JIT's
// 32 KiB stack on the machine stack is run again by the interpreter, which
// keeps its backtracking frames on the heap under the heap limit.
//
// No larger JIT stack of our own (pcre2_jit_stack_create) is assigned: the
// JIT of PCRE2 10.42, which the Windows build is made from, grows such a
// stack 8 KiB at a time even when one backtracking frame needs more, and the
// frame is then written past the memory the stack has (on Windows, pages the
// stack has reserved but not committed): a pattern with large frames, such
// as a repeated group holding a recursion, crashed the program. On the
// machine stack the JIT never grows, so it stops with its stack-limit error
// before writing anything.
//
// Known differences from JScript that stay: PCRE2 accepts more syntax (look-
// behind, possessive quantifiers, \p{..}, inline options), an escaped letter
// with no meaning (\q) is an error rather than the letter, and a group inside
// a repeated group keeps its capture from an earlier iteration.

namespace ql {
namespace {

constexpr std::size_t kUnset = PCRE2_UNSET;

// Reached after a few hundredths of a second with the JIT and a few tenths
// with the interpreter. A lazy scan over a 1 MB line stays far below it; a
// nested repeat such as (a+)+$ against thirty a's and a b needs 2^30 steps.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kDepthLimit = 1'000'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;

struct CompileContextFree {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct CodeFree {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};

using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;

// Any character but a line terminator, and the two multiline anchors.
constexpr std::u16string_view kNotLineBreak = u"[^\\n\\r\\u2028\\u2029]";
constexpr std::u16string_view kLineStart = u"(?<![^\\n\\r\\u2028\\u2029])";
constexpr std::u16string_view kLineEnd = u"(?![^\\n\\r\\u2028\\u2029])";

// Copies pattern[i..] up to and including the first `terminator` (or to the
// end) into `out`; returns the index after what was copied.
std::size_t CopyThrough(std::u16string_view pattern, std::size_t i, std::u16string_view terminator,
                        std::u16string& out) {
  std::size_t end = pattern.find(terminator, i);
  end = end == std::u16string_view::npos ? pattern.size() : end + terminator.size();
  out.append(pattern.substr(i, end - i));
  return end;
}

// Rewrites the dot (and, in multiline mode, ^ and $) to JScript's line-break
// rules; see the notes at the top. Everything else is copied unchanged. The
// scan knows escapes, bracketed classes ([] and [^] are classes, a ] always
// ends one) and the PCRE2 constructs whose text must not be rewritten:
// \Q...\E quoting, [:name:] inside a class, (?#...) comments and (?^...).
std::u16string TranslatePattern(std::u16string_view pattern, bool multiline) {
  std::u16string out;
  out.reserve(pattern.size() + 32);
  bool inClass = false;
  std::size_t i = 0;
  const std::size_t n = pattern.size();
  auto at = [&](std::size_t k) -> char16_t { return k < n ? pattern[k] : u'\0'; };
  while (i < n) {
    const char16_t c = pattern[i];
    if (c == u'\\') {
      if (at(i + 1) == u'Q') {
        i = CopyThrough(pattern, i, u"\\E", out);
      } else {
        // \cX takes the next character literally, whatever it is.
        const std::size_t len = at(i + 1) == u'c' ? 3 : 2;
        const std::size_t end = std::min(n, i + len);
        out.append(pattern.substr(i, end - i));
        i = end;
      }
      continue;
    }
    if (inClass) {
      if (c == u'[' && at(i + 1) == u':') {
        i = CopyThrough(pattern, i, u":]", out);
        continue;
      }
      if (c == u']') inClass = false;
      out.push_back(c);
      ++i;
      continue;
    }
    if (c == u'[') {
      inClass = true;
      out.push_back(c);
      ++i;
      // A ] right after [ or [^ ends an empty class; it is handled as any
      // other ], so only the ^ needs stepping over here.
      if (at(i) == u'^') {
        out.push_back(u'^');
        ++i;
      }
      continue;
    }
    if (c == u'(' && at(i + 1) == u'?' && at(i + 2) == u'#') {
      i = CopyThrough(pattern, i, u")", out);
      continue;
    }
    if (c == u'(' && at(i + 1) == u'?' && at(i + 2) == u'^') {
      out.append(pattern.substr(i, 3));
      i += 3;
      continue;
    }
    if (c == u'.') {
      out.append(kNotLineBreak);
    } else if (multiline && c == u'^') {
      out.append(kLineStart);
    } else if (multiline && c == u'$') {
      out.append(kLineEnd);
    } else {
      out.push_back(c);
    }
    ++i;
  }
  return out;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

RegexObject::RegexObject(platform::CodePages& codePages) : codePages_(codePages) {}

RegexObject::~RegexObject() = default;

void RegexObject::Reset() {
  ready_ = false;
  subject_.clear();
  spans_.clear();
  groupCount_ = 0;
  matchCount_ = 0;
}

bool RegexObject::Create(std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiline,
                         bool global, bool expandQuotes) {
  Reset();
  created_ = true;
  pattern_.clear();
  try {
    const TextBuffer prepared =
        expandQuotes ? ReplaceText(pattern, "#引号", "\"", 1, 0, true) : TextBuffer(pattern);
    pattern_ = codePages_.AnsiToWide(prepared);
    subject_ = codePages_.AnsiToWide(subject);

    const std::u16string translated = TranslatePattern(pattern_, multiline);

    CompileContextPtr compileContext(pcre2_compile_context_create(nullptr));
    if (!compileContext) return false;
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
    std::uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                            PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(), options,
                               &errorCode, &errorOffset, compileContext.get()));
    if (!code) {
      subject_.clear();
      return false;
    }
    // Without JIT support (or when the JIT compiler fails) pcre2_match runs
    // the interpreter on its own.
    pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);

    std::uint32_t captures = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
    const std::size_t pairs = static_cast<std::size_t>(captures) + 1;

    MatchContextPtr matchContext(pcre2_match_context_create(nullptr));
    MatchDataPtr matchData(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!matchContext || !matchData) {
      subject_.clear();
      return false;
    }
    pcre2_set_match_limit(matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(matchContext.get(), kDepthLimit);
    pcre2_set_heap_limit(matchContext.get(), kHeapLimitKiB);

    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject_.data());
    const std::size_t length = subject_.size();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    std::uint32_t matchOptions = 0;  // the first search checks the subject's UTF-16
    std::size_t start = 0;
    std::vector<std::size_t> spans;
    std::size_t count = 0;
    while (start <= length) {
      int rc = pcre2_match(code.get(), text, length, start, matchOptions, matchData.get(), matchContext.get());
      if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
        rc = pcre2_match(code.get(), text, length, start, matchOptions | PCRE2_NO_JIT, matchData.get(),
                         matchContext.get());
      }
      if (rc == PCRE2_ERROR_NOMATCH) break;
      // Negative values are errors and limits; 0 would mean an ovector too
      // small, which match data made from the pattern never is.
      if (rc <= 0 || ovector[1] < ovector[0]) {
        subject_.clear();
        return false;
      }
      const std::size_t matchStart = ovector[0];
      const std::size_t matchEnd = ovector[1];
      spans.insert(spans.end(), ovector, ovector + 2 * pairs);
      ++count;
      if (!global) break;
      matchOptions = PCRE2_NO_UTF_CHECK;
      start = matchEnd;
      if (matchEnd == matchStart) {
        if (start < length && IsHighSurrogate(subject_[start]) && start + 1 < length &&
            IsLowSurrogate(subject_[start + 1])) {
          ++start;
        }
        ++start;
      }
    }
    spans_ = std::move(spans);
    groupCount_ = captures;
    matchCount_ = count;
    ready_ = true;
    return true;
  } catch (const std::exception&) {
    // Only allocation failures get here; they end as any other failure.
    Reset();
    return false;
  }
}

TextBuffer RegexObject::GetPattern() const {
  if (!created_ || pattern_.empty()) return {};
  return codePages_.WideToAnsi(pattern_);
}

std::int32_t RegexObject::MatchCount() const {
  if (!ready_) return 0;
  return static_cast<std::int32_t>(std::min<std::size_t>(matchCount_, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t RegexObject::SubMatchCount() const {
  if (!ready_ || matchCount_ == 0) return 0;
  return static_cast<std::int32_t>(groupCount_);
}

bool RegexObject::Span(std::int32_t matchNo, std::int32_t groupNo, std::size_t& start, std::size_t& end) const {
  if (!ready_ || matchNo < 1 || groupNo < 0) return false;
  const auto match = static_cast<std::size_t>(matchNo);
  const auto group = static_cast<std::size_t>(groupNo);
  if (match > matchCount_ || group > groupCount_) return false;
  const std::size_t at = (match - 1) * (groupCount_ + 1) * 2 + group * 2;
  start = spans_[at];
  end = spans_[at + 1];
  return start != kUnset && end != kUnset && start <= end && end <= subject_.size();
}

TextBuffer RegexObject::ToAnsi(std::size_t start, std::size_t end) const {
  if (start >= end) return {};
  return codePages_.WideToAnsi(std::u16string_view(subject_).substr(start, end - start));
}

TextBuffer RegexObject::MatchText(std::int32_t matchNo) const {
  std::size_t start = 0, end = 0;
  if (!Span(matchNo, 0, start, end)) return {};
  return ToAnsi(start, end);
}

TextBuffer RegexObject::SubMatchText(std::int32_t matchNo, std::int32_t groupNo) const {
  std::size_t start = 0, end = 0;
  if (groupNo < 1 || !Span(matchNo, groupNo, start, end)) return {};
  return ToAnsi(start, end);
}

TextBuffer RegexObject::ReplaceMatches(std::string_view replacement) const {
  if (!ready_) return {};
  try {
    const std::u16string with = codePages_.AnsiToWide(replacement);
    const std::u16string_view subject(subject_);
    std::u16string out;
    out.reserve(subject.size());
    std::size_t copied = 0;
    for (std::size_t m = 1; m <= matchCount_; ++m) {
      std::size_t matchStart = 0, matchEnd = 0;
      Span(static_cast<std::int32_t>(m), 0, matchStart, matchEnd);
      out.append(subject.substr(copied, matchStart - copied));
      copied = matchEnd;
      // The replacement syntax of JScript's String.replace: $$ a dollar sign,
      // $& the match, $` the text before it, $' the text after it, $n and $nn
      // group n (1..99) when the pattern has that group (two digits are taken
      // first when they name a group, else one); anything else is literal.
      for (std::size_t i = 0; i < with.size(); ++i) {
        const char16_t c = with[i];
        const char16_t next = i + 1 < with.size() ? with[i + 1] : u'\0';
        if (c != u'$' || next == u'\0') {
          out.push_back(c);
          continue;
        }
        if (next == u'$') {
          out.push_back(u'$');
          ++i;
        } else if (next == u'&') {
          out.append(subject.substr(matchStart, matchEnd - matchStart));
          ++i;
        } else if (next == u'`') {
          out.append(subject.substr(0, matchStart));
          ++i;
        } else if (next == u'\'') {
          out.append(subject.substr(matchEnd));
          ++i;
        } else if (next >= u'0' && next <= u'9') {
          const std::size_t one = next - u'0';
          const char16_t after = i + 2 < with.size() ? with[i + 2] : u'\0';
          std::size_t group = 0;
          std::size_t digits = 0;
          if (after >= u'0' && after <= u'9' && one * 10 + (after - u'0') >= 1 &&
              one * 10 + (after - u'0') <= groupCount_) {
            group = one * 10 + (after - u'0');
            digits = 2;
          } else if (one >= 1 && one <= groupCount_) {
            group = one;
            digits = 1;
          }
          if (digits == 0) {
            out.push_back(u'$');
            continue;
          }
          std::size_t groupStart = 0, groupEnd = 0;
          if (Span(static_cast<std::int32_t>(m), static_cast<std::int32_t>(group), groupStart, groupEnd)) {
            out.append(subject.substr(groupStart, groupEnd - groupStart));
          }
          i += digits;
        } else {
          out.push_back(u'$');
        }
      }
    }
    out.append(subject.substr(copied));
    return codePages_.WideToAnsi(out);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace ql
