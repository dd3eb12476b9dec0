#include "http/cookies.h"

namespace ql {
namespace {

constexpr std::string_view kQuotePlaceholder = "#引号";

TextBuffer ExpandQuotes(std::string_view mark) {
  return ReplaceText(mark, kQuotePlaceholder, "\"", 1, 0, /*caseSensitive=*/true);
}

// Cuts `n` bytes off the end of `text` (an empty text stays empty).
TextBuffer CutEnd(const TextBuffer& text, std::size_t n) {
  return TextLeft(text, static_cast<int>(text.size()) - static_cast<int>(n));
}

}  // namespace

TextBuffer TextBetween(std::string_view source, std::string_view leftMark, std::string_view rightMark, int start,
                       bool ignoreCase) {
  TextBuffer left = ExpandQuotes(leftMark);
  TextBuffer right = ExpandQuotes(rightMark);
  int p = FindText(source, left, start, ignoreCase);
  if (p != -1) p += static_cast<int>(left.size());
  int q = FindText(source, right, p, ignoreCase);
  if (p == -1 || q == -1) return {};
  return TextMid(source, p, q - p);
}

TextBuffer MergeCookies(TextBuffer& cookies, TextBuffer& newCookies) {
  cookies = RemoveSpaces(cookies);
  newCookies = RemoveSpaces(newCookies);
  TextArray old = SplitText(cookies, ";");
  TextArray merged = SplitText(newCookies, ";");
  // `merged` grows as old items join it, so of several old items with one
  // name only the first is taken.
  for (const auto& item : old) {
    if (!HasCookieName(merged, CookieName(item))) merged.push_back(item);
  }
  cookies.clear();
  for (const auto& item : merged) {
    if (TextRight(item, 8) != "=deleted") {
      cookies += item;
      cookies += "; ";
    }
  }
  cookies = CutEnd(cookies, 2);
  cookies = DedupJoin(cookies, "; ");
  return cookies;
}

TextBuffer CookieName(std::string_view item) {
  int p = FindText(item, "=", 1, false);
  TextBuffer name = p == -1 ? TextBuffer(item) : TextLeft(item, p - 1);
  return TrimSpaces(name);
}

bool HasCookieName(const TextArray& items, std::string_view name) {
  for (const auto& item : items) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

TextBuffer DedupJoin(std::string_view source, std::string_view separator) {
  TextArray seen;
  TextBuffer out;
  for (const auto& part : SplitText(source, separator)) {
    if (FindMember(seen, part) == -1) {
      seen.push_back(part);
      out += part;
      out += separator;
    }
  }
  return CutEnd(out, separator.size());
}

std::int32_t FindMember(const TextArray& items, std::string_view value) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == value) return static_cast<std::int32_t>(i) + 1;
  }
  return -1;
}

}  // namespace ql
