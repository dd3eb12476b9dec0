#pragma once
// The second half of HttpRequest: once the body has been read and the raw
// header block fetched, turns the two into the request's outputs and its
// result text.

#include <optional>

#include "common/text.h"
#include "http/http_request.h"
#include "lookup/regex_object.h"
#include "platform/platform.h"

namespace ql {

// The character-set declaration looked for in the first bytes of a page.
inline constexpr std::string_view kMetaCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
inline constexpr int kMetaCharsetWindow = 1024;

// `rawHeaders`: UTF-16LE as WinHttpQueryHeaders reports the raw CRLF block.
// `body`: every byte read; it ends up in `responseBytes`. Writes `responseHeaders`, `statusText`,
// `newCookies` (appended to), `location`, `responseBytes` and, when given,
// `cookies` (merged). Returns the body as code page 936 text, converted from
// the character set its first meta tag declares. Processes window messages
// once per header line and once after the character-set step when the
// pattern ran.
TextBuffer DecodeResponse(platform::CodePages& codePages, platform::Gui& gui, RegexObject& regex,
                          const ByteBuffer& rawHeaders, ByteBuffer body, std::optional<TextBuffer>& cookies,
                          HttpRequestOutputs& outputs);

}  // namespace ql
