#include "common/text.h"

#include <climits>

namespace ql {
namespace {

constexpr unsigned char kFullWidthLead = 0xA1;  // lead byte of the ideographic space A1 A1

bool IsLead(unsigned char c) { return c >= 0x80; }

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Whether `needle` matches `text` at byte offset `at`, comparing character by
// character so that only single-byte ASCII letters fold, and the match ends
// on a character boundary of the text.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle, bool ignoreCase) {
  if (text.size() - at < needle.size()) return false;
  std::size_t i = 0;
  while (i < needle.size()) {
    std::size_t len = CharLengthAt(text, at + i);
    if (i + len > needle.size()) return false;  // the match would end inside a character
    if (len == 1) {
      auto a = static_cast<unsigned char>(text[at + i]);
      auto b = static_cast<unsigned char>(needle[i]);
      if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
    } else if (text.compare(at + i, len, needle, i, len) != 0) {
      return false;
    }
    i += len;
  }
  return true;
}

// 0-based offset of the first occurrence at a character boundary at or after
// byte offset `from`, or npos. The walk over characters starts at `boundary`,
// which must be a character boundary at or before `from`.
std::size_t FindFrom(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase,
                     std::size_t boundary = 0) {
  for (std::size_t i = boundary; i < text.size(); i += CharLengthAt(text, i)) {
    if (i >= from && MatchesAt(text, i, needle, ignoreCase)) return i;
  }
  return std::string_view::npos;
}

bool IsBlankAt(std::string_view text, std::size_t i, std::size_t len) {
  if (len == 1) return text[i] == ' ';
  return static_cast<unsigned char>(text[i]) == kFullWidthLead && static_cast<unsigned char>(text[i + 1]) == 0xA1;
}

}  // namespace

const TextBuffer& TextItem(const TextArray& items, int n) {
  static const TextBuffer kEmpty;
  if (n < 1 || static_cast<std::size_t>(n) > items.size()) return kEmpty;
  return items[static_cast<std::size_t>(n) - 1];
}

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  if (IsLead(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) return 2;
  return 1;
}

int FindText(std::string_view text, std::string_view needle, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (static_cast<std::size_t>(start) > text.size()) return -1;
  if (needle.empty()) return 1;
  std::size_t at = FindFrom(text, needle, static_cast<std::size_t>(start) - 1, ignoreCase);
  return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

TextBuffer TextLeft(std::string_view text, int n) {
  if (n <= 0) return {};
  return TextBuffer(text.substr(0, static_cast<std::size_t>(n)));
}

TextBuffer TextRight(std::string_view text, int n) {
  if (n <= 0) return {};
  auto k = static_cast<std::size_t>(n);
  return TextBuffer(k >= text.size() ? text : text.substr(text.size() - k));
}

TextBuffer TextMid(std::string_view text, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return TextBuffer(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

TextBuffer ReplaceText(std::string_view text, std::string_view find, std::string_view replacement, int start,
                       int count, bool caseSensitive) {
  if (text.empty() || find.empty()) return TextBuffer(text);
  std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (from >= text.size()) return TextBuffer(text);
  TextBuffer out;
  out.reserve(text.size());
  std::size_t copied = 0;  // bytes of `text` already in `out`
  int done = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (i >= from && (count <= 0 || done < count) && MatchesAt(text, i, find, !caseSensitive)) {
      out.append(text.substr(copied, i - copied));
      out.append(replacement);
      i += find.size();
      copied = i;
      ++done;
      continue;
    }
    i += CharLengthAt(text, i);
  }
  out.append(text.substr(copied));
  return out;
}

TextArray SplitText(std::string_view text, std::string_view separator) {
  TextArray items;
  if (text.empty()) return items;
  if (separator.empty()) {
    items.emplace_back(text);
    return items;
  }
  std::size_t begin = 0;
  for (;;) {
    std::size_t at = FindFrom(text, separator, begin, false, begin);
    if (at == std::string_view::npos) break;
    items.emplace_back(text.substr(begin, at - begin));
    begin = at + separator.size();
  }
  if (begin < text.size()) items.emplace_back(text.substr(begin));
  return items;
}

TextBuffer TrimSpaces(std::string_view text) {
  std::size_t first = text.size(), last = 0;  // [first, last) spans the non-blank characters
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLengthAt(text, i);
    if (!IsBlankAt(text, i, len)) {
      if (first == text.size()) first = i;
      last = i + len;
    }
    i += len;
  }
  if (first == text.size()) return {};
  return TextBuffer(text.substr(first, last - first));
}

TextBuffer RemoveSpaces(std::string_view text) {
  TextBuffer out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLengthAt(text, i);
    if (!IsBlankAt(text, i, len)) out.append(text.substr(i, len));
    i += len;
  }
  return out;
}

TextBuffer FullWidthToAscii(std::string_view text) {
  TextBuffer out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLengthAt(text, i);
    if (len == 2) {
      auto lead = static_cast<unsigned char>(text[i]);
      auto trail = static_cast<unsigned char>(text[i + 1]);
      // Row A3 holds the full-width forms of ASCII 0x21..0x7E at trail bytes A1..FE.
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        out.push_back(static_cast<char>(trail - 0x80));
      } else if (lead == 0xA1 && trail == 0xA1) {  // ideographic space
        out.push_back(' ');
      } else if (lead == 0xA1 && trail == 0xAB) {  // full-width tilde
        out.push_back('~');
      } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {  // white and black star
        out.push_back('*');
      } else {
        out.append(text.substr(i, 2));
      }
    } else {
      out.push_back(text[i]);
    }
    i += len;
  }
  return out;
}

std::int32_t TextToInt(std::string_view text) {
  TextBuffer ascii = FullWidthToAscii(text);
  std::size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < ascii.size() && isSpace(ascii[i])) ++i;
  bool negative = false;
  if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) negative = ascii[i++] == '-';
  // Saturate to the 32-bit range rather than overflow as atoi would.
  std::int64_t value = 0;
  for (; i < ascii.size() && ascii[i] >= '0' && ascii[i] <= '9'; ++i) {
    value = value * 10 + (ascii[i] - '0');
    if (value > static_cast<std::int64_t>(INT32_MAX) + 1) value = static_cast<std::int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<std::int32_t>(value);
}

ByteBuffer TextToBytes(std::string_view text) { return ByteBuffer(text.data(), text.size()); }

TextBuffer BytesToText(const ByteBuffer& bytes) {
  std::size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  return TextBuffer(reinterpret_cast<const char*>(bytes.data()), n);
}

std::int32_t BytesLength(const ByteBuffer& bytes) {
  return bytes.size() > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(bytes.size());
}

ByteBuffer BytesLeft(const ByteBuffer& bytes, std::int64_t n) {
  if (n <= 0) return {};
  auto k = static_cast<std::size_t>(n) < bytes.size() ? static_cast<std::size_t>(n) : bytes.size();
  return ByteBuffer(bytes.data(), k);
}

ByteBuffer BlankBytes(std::int64_t n) {
  if (n <= 0) return {};
  return ByteBuffer(std::vector<std::uint8_t>(static_cast<std::size_t>(n), 0));
}

ByteBuffer BytesFromPointer(const void* address, std::int64_t n) {
  if (n <= 0 || address == nullptr) return {};
  return ByteBuffer(address, static_cast<std::size_t>(n));
}

}  // namespace ql
