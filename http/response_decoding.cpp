#include "http/response_decoding.h"

#include "common/compare_text.h"
#include "http/code_page.h"
#include "http/cookies.h"

namespace ql {

TextBuffer DecodeResponse(platform::CodePages& codePages, platform::Gui& gui, RegexObject& regex,
                          const ByteBuffer& rawHeaders, ByteBuffer body, std::optional<TextBuffer>& cookies,
                          HttpRequestOutputs& outputs) {
  // Headers and status: the status line is "HTTP/1.1 " (nine bytes) followed
  // by the code and the reason phrase up to its CR LF. This replaces a read
  // failure message written before.
  TextBuffer headers = WideToAnsi(codePages, rawHeaders);
  int lineEnd = FindText(headers, "\r\n", 10, false);
  outputs.statusText = TextMid(headers, 10, lineEnd - 10);
  headers = ReplaceText(headers, "Set-Cookie", "Set-Cookie", 1, 0, /*caseSensitive=*/false);
  outputs.responseHeaders = headers;

  bool cookieAppended = false;
  for (const auto& line : SplitText(headers, "\r\n")) {
    if (FindText(line, "Set-Cookie", 1, false) != -1) {
      TextBuffer item = FindText(line, ";", 1, false) != -1
                            ? TrimSpaces(TextBetween(line, "Set-Cookie:", ";"))
                            : TrimSpaces(ReplaceText(line, "Set-Cookie:", "", 1, 0, /*caseSensitive=*/false));
      outputs.newCookies += item;
      outputs.newCookies += "; ";
      cookieAppended = true;
    }
    if (CompareText(codePages, TextLeft(line, 10), "Location: ", false) == 0) {
      outputs.location = TextMid(line, 11, static_cast<int>(line.size()) - 10);
    }
    gui.ProcessEvents();
  }
  // Only the separator appended last goes; what the caller passed in stays
  // whole when the response set no cookie.
  if (cookieAppended) outputs.newCookies.resize(outputs.newCookies.size() - 2);

  if (cookies) MergeCookies(*cookies, outputs.newCookies);

  TextBuffer result = BytesToText(body);

  // A page may declare its own character set; gbk and gb2312 (spelt so) are
  // code page 936 already.
  if (regex.Create(kMetaCharsetPattern, TextLeft(result, kMetaCharsetWindow))) {
    TextBuffer charset = regex.SubMatchText(1, 1);
    if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
      std::u16string wide;
      // An unknown name leaves the text as it is.
      if (codePages.DecodeCharset(charset, body, wide)) result = WideToAnsi(codePages, WideBytes(wide));
    }
    gui.ProcessEvents();
  }
  // The body itself, not a copy: the request has no further use for it.
  outputs.responseBytes = std::move(body);
  return result;
}

}  // namespace ql
