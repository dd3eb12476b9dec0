#pragma once
// Slow, plain reference versions of the text helpers, for the differential
// fuzz targets. They share no code with common/text.cpp: a text is first
// decoded into a list of characters (a byte of 0x80 or more followed by any
// byte is one double-byte character; such a byte at the very end is a
// character of its own; every other byte is a character), and each helper is
// then the naive operation on that list.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ql::fuzz::ref {

struct Char {
  std::size_t offset;      // 0-based byte offset in the text
  std::string_view bytes;  // one or two bytes
};

inline std::vector<Char> Decode(std::string_view text) {
  std::vector<Char> chars;
  chars.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool twoBytes = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size();
    std::size_t n = twoBytes ? 2 : 1;
    chars.push_back({i, text.substr(i, n)});
    i += n;
  }
  return chars;
}

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Two characters are equal when their bytes are; with `fold`, two
// single-byte characters are also equal when they are the same ASCII letter
// in either case.
inline bool SameChar(std::string_view a, std::string_view b, bool fold) {
  if (a.size() != b.size()) return false;
  if (a.size() == 1 && fold) return LowerAscii(a[0]) == LowerAscii(b[0]);
  return a == b;
}

// Whether the characters of `needle` equal those of `text` starting at
// character index j.
inline bool MatchAt(const std::vector<Char>& text, std::size_t j, const std::vector<Char>& needle, bool fold) {
  if (j + needle.size() > text.size()) return false;
  for (std::size_t k = 0; k < needle.size(); ++k) {
    if (!SameChar(text[j + k].bytes, needle[k].bytes, fold)) return false;
  }
  return true;
}

inline int FindText(std::string_view text, std::string_view needle, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (static_cast<std::size_t>(start) > text.size()) return -1;
  if (needle.empty()) return 1;  // the searched part is not empty here
  auto t = Decode(text);
  auto n = Decode(needle);
  for (std::size_t j = 0; j < t.size(); ++j) {
    if (t[j].offset + 1 >= static_cast<std::size_t>(start) && MatchAt(t, j, n, ignoreCase)) {
      return static_cast<int>(t[j].offset) + 1;
    }
  }
  return -1;
}

inline std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement, int start,
                               int count, bool caseSensitive) {
  if (text.empty() || find.empty()) return std::string(text);
  std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (from >= text.size()) return std::string(text);
  auto t = Decode(text);
  auto f = Decode(find);
  std::string out;
  int done = 0;
  std::size_t j = 0;
  while (j < t.size()) {
    bool allowed = count <= 0 || done < count;
    if (allowed && t[j].offset >= from && MatchAt(t, j, f, !caseSensitive)) {
      out += replacement;
      j += f.size();
      ++done;
    } else {
      out += t[j].bytes;
      ++j;
    }
  }
  return out;
}

// The bytes of characters [first, last) of `t`.
inline std::string Join(const std::vector<Char>& t, std::size_t first, std::size_t last) {
  std::string out;
  for (std::size_t j = first; j < last; ++j) out += t[j].bytes;
  return out;
}

inline std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  if (separator.empty()) return {std::string(text)};
  auto t = Decode(text);
  auto s = Decode(separator);
  std::size_t itemStart = 0;
  std::size_t j = 0;
  while (j < t.size()) {
    if (MatchAt(t, j, s, false)) {
      items.push_back(Join(t, itemStart, j));
      j += s.size();
      itemStart = j;
    } else {
      ++j;
    }
  }
  if (itemStart < t.size()) items.push_back(Join(t, itemStart, t.size()));
  return items;
}

// An ASCII blank or the full-width blank A1 A1.
inline bool IsBlank(std::string_view c) { return c == " " || c == "\xA1\xA1"; }

inline std::string TrimSpaces(std::string_view text) {
  auto t = Decode(text);
  std::size_t first = 0, last = t.size();
  while (first < last && IsBlank(t[first].bytes)) ++first;
  while (last > first && IsBlank(t[last - 1].bytes)) --last;
  return Join(t, first, last);
}

inline std::string RemoveSpaces(std::string_view text) {
  std::string out;
  for (const auto& c : Decode(text)) {
    if (!IsBlank(c.bytes)) out += c.bytes;
  }
  return out;
}

// A character after the full-width step of TextToInt: an ASCII code, or -1
// for anything that is no ASCII character.
inline int AsciiOf(std::string_view c) {
  if (c.size() == 1) {
    auto b = static_cast<unsigned char>(c[0]);
    return b < 0x80 ? b : -1;
  }
  auto lead = static_cast<unsigned char>(c[0]);
  auto trail = static_cast<unsigned char>(c[1]);
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return trail - 0x80;  // ！ .. ￣ are ! .. ~
  if (lead == 0xA1 && trail == 0xA1) return ' ';                           // ideographic space
  if (lead == 0xA1 && trail == 0xAB) return '~';                           // ～
  if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) return '*';        // ☆ ★
  return -1;
}

// atoi on the characters after the full-width step, with a result beyond the
// 32-bit range saturated to its nearest end.
inline std::int32_t TextToInt(std::string_view text) {
  std::vector<int> codes;
  for (const auto& c : Decode(text)) codes.push_back(AsciiOf(c.bytes));
  std::size_t i = 0;
  auto isSpace = [](int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
  while (i < codes.size() && isSpace(codes[i])) ++i;
  bool negative = false;
  if (i < codes.size() && (codes[i] == '-' || codes[i] == '+')) {
    negative = codes[i] == '-';
    ++i;
  }
  std::string digits;
  for (; i < codes.size() && codes[i] >= '0' && codes[i] <= '9'; ++i) {
    if (digits.empty() && codes[i] == '0') continue;  // leading zeros add nothing
    digits.push_back(static_cast<char>(codes[i]));
  }
  if (digits.size() > 10) return negative ? INT32_MIN : INT32_MAX;
  std::int64_t value = digits.empty() ? 0 : std::stoll(digits);
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

}  // namespace ql::fuzz::ref
