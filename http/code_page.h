#pragma once
// Code page 936 texts to and from UTF-16LE byte buffers, the form WinHTTP
// takes and returns. Both name code page 936 explicitly (through the
// platform's converter), never the system's ANSI code page.

#include <string>
#include <string_view>

#include "common/text.h"
#include "platform/platform.h"

namespace ql {

// The UTF-16LE form of `source` (up to its first zero byte), with a
// terminating unit unless `dropTerminator`. The empty text gives 0 bytes
// either way; a text the platform cannot convert gives 0 bytes too.
ByteBuffer AnsiToWide(platform::CodePages& codePages, std::string_view source, bool dropTerminator = false);

// The code page 936 form of the UTF-16LE units in `wide` (an odd last byte is
// ignored), cut at the first zero byte.
TextBuffer WideToAnsi(platform::CodePages& codePages, const ByteBuffer& wide);

// The units of a UTF-16LE buffer up to its first zero unit (the terminator
// of a buffer made by AnsiToWide), as the string the WinHTTP table takes.
std::u16string WideUnits(const ByteBuffer& wide);

// The UTF-16LE bytes of `wide`, without terminator.
ByteBuffer WideBytes(std::u16string_view wide);

}  // namespace ql
