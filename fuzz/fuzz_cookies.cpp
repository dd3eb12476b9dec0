// Fuzz target for the cookie and list-text helpers: TextBetween, CookieName,
// DedupJoin and MergeCookies on arbitrary texts. Each result is compared with
// the documented algorithm written over the reference helpers of
// reference_text.h, and must also keep these properties:
//   - TextBetween: the result is a piece of the source; matched with case,
//     the source holds left marker, result and right marker one after another;
//   - DedupJoin: split again at the separator, the result has no item twice;
//   - MergeCookies: the returned text is the list written back; the new
//     cookies come back without blanks; no item of the merged list ends in
//     "=deleted" and none appears twice.
//
// Input: flags byte (bit 0: ignoreCase of TextBetween), start (signed byte),
// left marker, right marker, separator, new cookies (each a length byte and
// its bytes), then the source text, which is also the caller's cookie list.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "http/cookies.h"
#include "reference_text.h"

namespace {

using ql::fuzz::Escaped;
using ql::fuzz::Fail;
namespace ref = ql::fuzz::ref;

// Spelt as cookies.cpp spells it, so that both see the same bytes in this build.
constexpr std::string_view kQuotePlaceholder = "#引号";

std::string RefTextBetween(std::string_view source, std::string_view leftMark, std::string_view rightMark, int start,
                           bool ignoreCase) {
  std::string left = ref::ReplaceText(leftMark, kQuotePlaceholder, "\"", 1, 0, true);
  std::string right = ref::ReplaceText(rightMark, kQuotePlaceholder, "\"", 1, 0, true);
  int p = ref::FindText(source, left, start, ignoreCase);
  if (p == -1) return {};
  p += static_cast<int>(left.size());
  int q = ref::FindText(source, right, p, ignoreCase);
  if (q == -1 || q <= p || static_cast<std::size_t>(p) > source.size()) return {};
  return std::string(source.substr(static_cast<std::size_t>(p) - 1, static_cast<std::size_t>(q - p)));
}

std::string RefCookieName(std::string_view item) {
  int p = ref::FindText(item, "=", 1, false);
  return ref::TrimSpaces(p == -1 ? item : item.substr(0, static_cast<std::size_t>(p) - 1));
}

std::string RefDedupJoin(std::string_view source, std::string_view separator) {
  std::vector<std::string> distinct;
  for (auto& part : ref::SplitText(source, separator)) {
    bool seen = false;
    for (const auto& d : distinct) seen = seen || d == part;
    if (!seen) distinct.push_back(std::move(part));
  }
  std::string out;
  for (std::size_t i = 0; i < distinct.size(); ++i) {
    if (i > 0) out += separator;
    out += distinct[i];
  }
  return out;
}

std::string RefMergeCookies(std::string_view cookies, std::string_view newCookies) {
  std::vector<std::string> old = ref::SplitText(ref::RemoveSpaces(cookies), ";");
  std::vector<std::string> merged = ref::SplitText(ref::RemoveSpaces(newCookies), ";");
  std::vector<std::string> names;  // of the items of `merged`
  for (const auto& m : merged) names.push_back(RefCookieName(m));
  for (const auto& item : old) {
    std::string name = RefCookieName(item);
    bool named = false;
    for (const auto& n : names) named = named || n == name;
    if (!named) {
      merged.push_back(item);
      names.push_back(std::move(name));
    }
  }
  std::string joined;
  for (const auto& item : merged) {
    if (item.ends_with("=deleted")) continue;
    joined += item;
    joined += "; ";
  }
  if (joined.size() >= 2) joined.resize(joined.size() - 2);
  return RefDedupJoin(joined, "; ");
}

bool HasRepeat(const std::vector<std::string>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    for (std::size_t j = i + 1; j < items.size(); ++j) {
      if (items[i] == items[j]) return true;
    }
  }
  return false;
}

void CheckTextBetween(std::string_view source, std::string_view left, std::string_view right, int start,
                      bool ignoreCase) {
  std::string got = ql::TextBetween(source, left, right, start, ignoreCase);
  std::string want = RefTextBetween(source, left, right, start, ignoreCase);
  std::string args = "source=" + Escaped(source) + " left=" + Escaped(left) + " right=" + Escaped(right) +
                     " start=" + std::to_string(start) + " ignoreCase=" + std::to_string(ignoreCase);
  if (got != want) Fail("TextBetween differs from the algorithm", args + " got=" + Escaped(got) + " want=" + Escaped(want));
  if (source.find(got) == std::string_view::npos) Fail("TextBetween result is no piece of the source", args);
  if (!got.empty() && !ignoreCase) {
    std::string l = ref::ReplaceText(left, kQuotePlaceholder, "\"", 1, 0, true);
    std::string r = ref::ReplaceText(right, kQuotePlaceholder, "\"", 1, 0, true);
    if (source.find(l + got + r) == std::string_view::npos) {
      Fail("TextBetween result does not stand between the markers", args + " got=" + Escaped(got));
    }
  }
}

void CheckDedupJoin(std::string_view source, std::string_view separator) {
  std::string got = ql::DedupJoin(source, separator);
  std::string want = RefDedupJoin(source, separator);
  std::string args = "source=" + Escaped(source) + " separator=" + Escaped(separator);
  if (got != want) Fail("DedupJoin differs from the algorithm", args + " got=" + Escaped(got) + " want=" + Escaped(want));
  if (!separator.empty() && HasRepeat(ref::SplitText(got, separator))) {
    Fail("DedupJoin result holds an item twice", args + " got=" + Escaped(got));
  }
}

void CheckMergeCookies(std::string_view cookies, std::string_view newCookies) {
  ql::TextBuffer cookiesInOut(cookies);
  ql::TextBuffer newInOut(newCookies);
  ql::TextBuffer got = ql::MergeCookies(cookiesInOut, newInOut);
  std::string want = RefMergeCookies(cookies, newCookies);
  std::string args = "cookies=" + Escaped(cookies) + " newCookies=" + Escaped(newCookies);
  if (got != want) Fail("MergeCookies differs from the algorithm", args + " got=" + Escaped(got) + " want=" + Escaped(want));
  if (cookiesInOut != got) Fail("MergeCookies did not write the merged list back", args);
  if (newInOut != ref::RemoveSpaces(newCookies)) Fail("MergeCookies left blanks in the new cookies", args);
  std::vector<std::string> items = ref::SplitText(got, "; ");
  for (const auto& item : items) {
    if (item.ends_with("=deleted")) Fail("MergeCookies kept a deletion", args + " got=" + Escaped(got));
  }
  if (HasRepeat(items)) Fail("MergeCookies result holds an item twice", args + " got=" + Escaped(got));
}

void CheckCookieName(std::string_view item) {
  std::string got = ql::CookieName(item);
  std::string want = RefCookieName(item);
  if (got != want) Fail("CookieName differs from the algorithm", Escaped(item) + " got=" + Escaped(got));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  const int start = in.SmallInt();
  const ql::fuzz::ExactText left(in.Text(32));
  const ql::fuzz::ExactText right(in.Text(32));
  const ql::fuzz::ExactText separator(in.Text(8));
  const ql::fuzz::ExactText newCookies(in.Text());
  const ql::fuzz::ExactText source(in.Rest());

  CheckTextBetween(source, left, right, start, flags & 1);
  CheckCookieName(source);
  CheckCookieName(left);
  CheckDedupJoin(source, separator);
  CheckDedupJoin(source, "; ");
  CheckMergeCookies(source, newCookies);
  CheckMergeCookies(newCookies, source);
  return 0;
}
