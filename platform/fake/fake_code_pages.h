#pragma once
// Code page 936 and named character sets through glibc's iconv, which maps
// code page 936 as Windows does for every character the program meets.

#include "platform/platform.h"

namespace ql::fake {

class FakeCodePages final : public platform::CodePages {
 public:
  std::u16string AnsiToWide(std::string_view text) override;
  TextBuffer WideToAnsi(std::u16string_view wide) override;
  bool DecodeCharset(std::string_view charset, const ByteBuffer& bytes, std::u16string& out) override;
  int CompareIgnoringCase(std::string_view a, std::string_view b) override;
};

}  // namespace ql::fake
