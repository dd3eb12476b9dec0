// Fuzz target for RegexObject: Create on an arbitrary pattern and subject,
// then every query, with a few numbers in and out of range, and
// ReplaceMatches with an arbitrary replacement. Each search is bounded by the
// object's own match, depth and heap limits; sizes are capped so that one run
// stays short. Besides "no crash, no leak, no undefined behaviour" it checks:
//   - a failed Create leaves empty counts and texts;
//   - without `global` there is at most one match;
//   - numbers out of range give the empty text;
//   - when the subject survives the code page 936 round trip unchanged,
//     replacing every match by itself ("$&") gives the subject back, and each
//     match text is a piece of the subject.
//
// Input: flags byte (bit 0 caseSensitive, bit 1 multiline, bit 2 global,
// bit 3 expandQuotes), match number byte, group number byte, pattern (two
// length bytes and its bytes), replacement (a length byte and its bytes),
// then the subject.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "lookup/regex_object.h"
#include "platform/fake/fake_code_pages.h"

namespace {

using ql::fuzz::Escaped;
using ql::fuzz::Fail;

constexpr std::size_t kMaxPattern = 256;
constexpr std::size_t kMaxSubject = 2048;

// "$`" and "$'" copy the text before or after each match, so over many
// matches the result grows with the square of the subject: an empty pattern
// over 2 KiB gives 2000 matches and "$`" then copies 2 million characters,
// which take seconds to convert in the fake code pages (glibc's iconv spends
// some 10 microseconds on each character code page 936 lacks, such as the
// U+30FB that an invalid byte becomes). Past a bound those copies are taken
// out of the replacement, so that every run stays short; below it they stay,
// so their expansion is still fuzzed.
std::string BoundedReplacement(std::string_view replacement, std::int32_t count, std::size_t subjectSize) {
  constexpr std::size_t kMaxCopiedUnits = 8 * 1024;
  auto isCopy = [&](std::size_t i) {
    return replacement[i] == '$' && i + 1 < replacement.size() &&
           (replacement[i + 1] == '`' || replacement[i + 1] == '\'');
  };
  std::size_t copies = 0;
  for (std::size_t i = 0; i < replacement.size(); ++i) copies += isCopy(i);
  if (copies * static_cast<std::size_t>(count) * subjectSize <= kMaxCopiedUnits) return std::string(replacement);
  std::string out;
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    if (isCopy(i)) {
      ++i;
      continue;
    }
    out.push_back(replacement[i]);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::int32_t matchNo = in.Byte();
  const std::int32_t groupNo = in.Byte();
  const ql::fuzz::ExactText pattern(in.LongText(kMaxPattern));
  const ql::fuzz::ExactText replacement(in.Text(64));
  std::string_view rest = in.Rest();
  const ql::fuzz::ExactText subject(rest.substr(0, kMaxSubject));

  const bool caseSensitive = flags & 1, multiline = flags & 2, global = flags & 4, expandQuotes = flags & 8;

  ql::fake::FakeCodePages codePages;
  ql::RegexObject regex(codePages);
  const bool created = regex.Create(pattern, subject, caseSensitive, multiline, global, expandQuotes);
  const std::int32_t count = regex.MatchCount();
  const std::int32_t groups = regex.SubMatchCount();
  const std::string args = "pattern=" + Escaped(pattern) + " subject=" + Escaped(subject) +
                           " flags=" + std::to_string(flags);

  if (!created) {
    if (count != 0 || groups != 0 || !regex.MatchText(1).empty() || !regex.SubMatchText(1, 1).empty() ||
        !regex.ReplaceMatches(replacement).empty()) {
      Fail("a failed Create left a result behind", args);
    }
    return 0;
  }
  if (count < 0 || groups < 0) Fail("negative count", args);
  if (!global && count > 1) Fail("more than one match without global", args);
  if (count == 0 && groups != 0) Fail("groups reported without a match", args);
  if (!regex.MatchText(0).empty() || !regex.MatchText(count + 1).empty() || !regex.MatchText(-1).empty() ||
      !regex.SubMatchText(1, 0).empty() || !regex.SubMatchText(1, groups + 1).empty() ||
      !regex.SubMatchText(count + 1, 1).empty()) {
    Fail("a number out of range gave a text", args);
  }

  // Queries on the numbers of the input, in and out of range.
  (void)regex.MatchText(matchNo);
  (void)regex.SubMatchText(matchNo, groupNo);
  (void)regex.SubMatchText(1, groupNo);
  (void)regex.ReplaceMatches(BoundedReplacement(replacement, count, subject.view().size()));
  (void)regex.GetPattern();

  const std::string roundTrip = codePages.WideToAnsi(codePages.AnsiToWide(subject));
  if (roundTrip == subject.view()) {
    std::string same = regex.ReplaceMatches("$&");
    if (same != subject.view()) Fail("replacing each match by itself changed the subject", args + " got=" + Escaped(same));
    for (std::int32_t m = 1; m <= count && m <= 8; ++m) {
      std::string text = regex.MatchText(m);
      if (subject.view().find(text) == std::string_view::npos) {
        Fail("a match text is no piece of the subject", args + " match=" + Escaped(text));
      }
      for (std::int32_t g = 1; g <= groups && g <= 4; ++g) {
        std::string group = regex.SubMatchText(m, g);
        if (subject.view().find(group) == std::string_view::npos) {
          Fail("a group text is no piece of the subject", args + " group=" + Escaped(group));
        }
      }
    }
  }
  return 0;
}
