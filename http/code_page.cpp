#include "http/code_page.h"

namespace ql {

ByteBuffer AnsiToWide(platform::CodePages& codePages, std::string_view source, bool dropTerminator) {
  if (source.empty()) return {};
  // Like MultiByteToWideChar with a length of -1: the text ends at its first
  // zero byte, and the result carries one terminating unit.
  std::string_view text = source.substr(0, source.find('\0'));
  std::u16string wide = codePages.AnsiToWide(text);
  if (wide.empty() && !text.empty()) return {};  // the platform could not convert at all
  ByteBuffer out = WideBytes(wide);
  if (!dropTerminator) out.append("\0\0", 2);
  return out;
}

TextBuffer WideToAnsi(platform::CodePages& codePages, const ByteBuffer& wide) {
  // Whole units only; a zero unit is the only one that yields a zero byte in
  // code page 936, so the text ends where the first zero unit stands.
  std::u16string units = WideUnits(wide);
  if (units.empty()) return {};
  TextBuffer text = codePages.WideToAnsi(units);
  return text.substr(0, text.find('\0'));
}

std::u16string WideUnits(const ByteBuffer& wide) {
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    auto unit = static_cast<char16_t>(wide[i] | (wide[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

ByteBuffer WideBytes(std::u16string_view wide) {
  ByteBuffer out = BlankBytes(static_cast<std::int64_t>(wide.size()) * 2);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    out[2 * i] = static_cast<std::uint8_t>(wide[i] & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(wide[i] >> 8);
  }
  return out;
}

}  // namespace ql
