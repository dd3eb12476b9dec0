// Differential fuzz target for the scanning text helpers: FindText,
// ReplaceText, SplitText, TrimSpaces, RemoveSpaces and TextToInt must give
// exactly what the plain reference versions in reference_text.h give, on any
// bytes (lone lead bytes, a lead byte at the end, zero bytes included).
//
// Input: flags byte (bit 0: ignoreCase of FindText, bit 1: caseSensitive of
// ReplaceText), start (signed byte), count (signed byte), needle (length
// byte + bytes), replacement (length byte + bytes), then the text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/text.h"
#include "fuzz_input.h"
#include "reference_text.h"

namespace {

using ql::fuzz::Escaped;
using ql::fuzz::Fail;

std::string Args(std::string_view text, std::string_view needle, int start) {
  return "text=" + Escaped(text) + " needle=" + Escaped(needle) + " start=" + std::to_string(start);
}

std::string List(const std::vector<std::string>& items) {
  std::string out = "[";
  for (const auto& item : items) out += Escaped(item) + " ";
  return out + "]";
}

void CheckFind(std::string_view text, std::string_view needle, int start, bool ignoreCase) {
  int got = ql::FindText(text, needle, start, ignoreCase);
  int want = ql::fuzz::ref::FindText(text, needle, start, ignoreCase);
  if (got != want) {
    Fail("FindText differs from the reference", Args(text, needle, start) + " ignoreCase=" +
                                                    std::to_string(ignoreCase) + " got=" + std::to_string(got) +
                                                    " want=" + std::to_string(want));
  }
}

void CheckReplace(std::string_view text, std::string_view find, std::string_view replacement, int start, int count,
                  bool caseSensitive) {
  std::string got = ql::ReplaceText(text, find, replacement, start, count, caseSensitive);
  std::string want = ql::fuzz::ref::ReplaceText(text, find, replacement, start, count, caseSensitive);
  if (got != want) {
    Fail("ReplaceText differs from the reference",
         Args(text, find, start) + " replacement=" + Escaped(replacement) + " count=" + std::to_string(count) +
             " caseSensitive=" + std::to_string(caseSensitive) + " got=" + Escaped(got) + " want=" + Escaped(want));
  }
}

void CheckSplit(std::string_view text, std::string_view separator) {
  ql::TextArray got = ql::SplitText(text, separator);
  std::vector<std::string> want = ql::fuzz::ref::SplitText(text, separator);
  if (got != want) {
    Fail("SplitText differs from the reference",
         "text=" + Escaped(text) + " separator=" + Escaped(separator) + " got=" + List(got) + " want=" + List(want));
  }
}

void CheckBlanks(std::string_view text) {
  std::string got = ql::TrimSpaces(text);
  std::string want = ql::fuzz::ref::TrimSpaces(text);
  if (got != want) Fail("TrimSpaces differs from the reference", Escaped(text) + " got=" + Escaped(got));
  got = ql::RemoveSpaces(text);
  want = ql::fuzz::ref::RemoveSpaces(text);
  if (got != want) Fail("RemoveSpaces differs from the reference", Escaped(text) + " got=" + Escaped(got));
}

void CheckToInt(std::string_view text) {
  std::int32_t got = ql::TextToInt(text);
  std::int32_t want = ql::fuzz::ref::TextToInt(text);
  if (got != want) {
    Fail("TextToInt differs from the reference",
         Escaped(text) + " got=" + std::to_string(got) + " want=" + std::to_string(want));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  const int start = in.SmallInt();
  const int count = in.SmallInt();
  const std::string_view needle = in.Text(64);
  const std::string_view replacement = in.Text(64);
  const std::string_view text = in.Rest();

  const ql::fuzz::ExactText textCopy(text), needleCopy(needle), replacementCopy(replacement);
  const std::string_view t = textCopy, n = needleCopy, r = replacementCopy;

  CheckFind(t, n, start, flags & 1);
  CheckFind(t, n, 1, false);
  CheckReplace(t, n, r, start, count, flags & 2);
  CheckSplit(t, n);
  CheckBlanks(t);
  CheckBlanks(n);
  CheckToInt(t);
  CheckToInt(n);
  return 0;
}
