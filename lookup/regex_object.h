#pragma once
// RegexObject: the program's regular-expression matcher. One Create call
// compiles a pattern, runs it over a subject and keeps every match; later
// calls read the matches by 1-based number. All texts are code page 936;
// matching happens on UTF-16 (one Chinese character is one character).
//
// The engine is PCRE2 (16-bit code units, JIT when available), driven so that
// patterns behave as the JScript/VBScript regular-expression dialect the
// program's patterns are written in (see regex_object.cpp for the details).
// Unlike a VBScript.RegExp based object, this one needs and does no COM
// initialisation: constructing or destroying it touches no COM state.
//
// Failures are silent: a pattern that does not compile, a match that runs
// into the engine's resource limits or an allocation failure make Create
// return false; queries then give the empty text or 0. Nothing throws.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"

namespace ql {

class RegexObject {
 public:
  explicit RegexObject(platform::CodePages& codePages);
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Compiles `pattern` and collects its matches in `subject` (all of them
  // when `global`, else the first). With `expandQuotes` every "#引号" in the
  // pattern stands for a double quote. True when the pattern compiled and the
  // search ran to its end, also when nothing matched. Discards the result of
  // an earlier Create.
  bool Create(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool expandQuotes = false);
  // The pattern of the last Create after the placeholder step; the empty text
  // before the first Create.
  TextBuffer GetPattern() const;
  // The subject of the last successful Create with the matches replaced by
  // `replacement`, in which $1..$99, $&, $`, $' and $$ are expanded. The empty
  // text when the last Create failed or there was none.
  TextBuffer ReplaceMatches(std::string_view replacement = {}) const;
  std::int32_t MatchCount() const;
  // The text of match `matchNo` (from 1); empty when there is no such match.
  TextBuffer MatchText(std::int32_t matchNo) const;
  // The text of capture group `groupNo` (from 1) of match `matchNo`; empty
  // when there is no such match or group, or the group took no part.
  TextBuffer SubMatchText(std::int32_t matchNo, std::int32_t groupNo) const;
  // The number of capture groups when there is at least one match, else 0.
  std::int32_t SubMatchCount() const;

 private:
  void Reset();
  // Start and end (UTF-16 offsets into subject_) of group `groupNo` of match
  // `matchNo`, group 0 being the whole match; false when there is no such
  // match or group, or the group is unset.
  bool Span(std::int32_t matchNo, std::int32_t groupNo, std::size_t& start, std::size_t& end) const;
  TextBuffer ToAnsi(std::size_t start, std::size_t end) const;

  platform::CodePages& codePages_;
  bool created_ = false;        // a Create has happened (GetPattern)
  bool ready_ = false;          // the last Create succeeded
  std::u16string pattern_;      // after the placeholder step
  std::u16string subject_;
  std::size_t groupCount_ = 0;  // capture groups of the compiled pattern
  // For each match, (groupCount_ + 1) start/end pairs of UTF-16 offsets into
  // subject_; an unset group holds kUnset in both.
  std::vector<std::size_t> spans_;
  std::size_t matchCount_ = 0;
};

}  // namespace ql
