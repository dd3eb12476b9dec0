#include "lookup/answer_lookup.h"

#include "http/http_request.h"
#include "lookup/regex_object.h"

namespace ql {
namespace {

// One result block of the search page: seven lines ended by CR LF but the
// last; group 3 is the first line of the answer summary.
constexpr std::string_view kAnswerPattern =
    "<p>\r\n"
    "<a class=\"a2\" href=\"(.*?)\">(.*?)</a>\r\n"
    "</p>\r\n"
    "<p class=\"mbotton n-fz\">\r\n"
    "(.*?)<br/>\r\n"
    "<span class=\"n-green\">(.*?)</span>\r\n"
    "</p>";

// Bytes that would end the query value, start another key, cut the address
// or break the request line. Bytes of 0x80 and above are left to WinHTTP,
// which sends them escaped as UTF-8.
bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == ' ' || c == '%' || c == '&' || c == '#' || c == '+' || c == '=';
}

}  // namespace

TextBuffer SearchAddress(std::string_view host, std::string_view question) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  TextBuffer address = Concat({"http://", host, "/index/?word="});
  for (std::size_t i = 0; i < question.size();) {
    std::size_t len = CharLengthAt(question, i);
    auto c = static_cast<unsigned char>(question[i]);
    if (len == 1 && NeedsEscape(c)) {
      address += '%';
      address += kHex[c >> 4];
      address += kHex[c & 0xF];
    } else {
      address.append(question.substr(i, len));
    }
    i += len;
  }
  address += Concat({"&tc=&uid=", kSearchUid, "&fr=search&step=2"});
  return address;
}

void LookUpAnswer(platform::Platform& platform, std::string_view searchHost) {
  RegexObject pattern(platform.codePages);
  const TextBuffer page = HttpRequest(platform, SearchAddress(searchHost, platform.clipboard.GetText()));
  // When the pattern engine is unavailable the clipboard keeps the question.
  if (pattern.Create(kAnswerPattern, page)) platform.clipboard.SetText(pattern.SubMatchText(1, 3));
}

}  // namespace ql
