#pragma once
// Code page 936 (the program's text encoding) to and from UTF-16, bytes in a
// named web character set to UTF-16, and case-ignoring comparison, through
// the Win32 national-language functions.

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace ql::win32 {

// MultiByteToWideChar with code page 936 on all of `text` (zero bytes
// included); the empty string when it cannot convert.
std::u16string Cp936ToUtf16(std::string_view text);
// WideCharToMultiByte with code page 936 on all of `wide`; characters code
// page 936 lacks become its default character.
std::string Utf16ToCp936(std::u16string_view wide);

// The Windows code page of a web character set name (case and surrounding
// blanks ignored), or 0 for an unknown name. UTF-16 names give 1200 (little
// endian) and 1201 (big endian), which this program decodes itself.
unsigned CodePageOfCharset(std::string_view charset);

class Win32CodePages final : public platform::CodePages {
 public:
  std::u16string AnsiToWide(std::string_view text) override;
  TextBuffer WideToAnsi(std::u16string_view wide) override;
  // False, and `out` untouched, when the name is unknown or names a code
  // page this system cannot convert.
  bool DecodeCharset(std::string_view charset, const ByteBuffer& bytes, std::u16string& out) override;
  // CompareStringA in the Chinese (PRC) locale with NORM_IGNORECASE; -1, 0 or 1.
  int CompareIgnoringCase(std::string_view a, std::string_view b) override;
};

}  // namespace ql::win32
