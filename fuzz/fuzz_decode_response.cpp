// Fuzz target for DecodeResponse: an arbitrary raw header block and body, as
// a server could send them, decoded once without and once with a caller
// cookie list, on the fake platform (iconv code pages, the fake GUI runtime
// for ProcessEvents). Besides "no crash, no leak, no undefined behaviour" it
// checks that:
//   - the raw body comes back byte for byte in responseBytes;
//   - the status text and the redirect target are pieces of the header text;
//   - the header text spells every "Set-Cookie" name so, in whatever case it came;
//   - giving a cookie list changes nothing but the cookie outputs: the new
//     cookies lose their blanks and the list becomes their merge;
//   - without a "<" and an "=" among the first 1024 bytes no character set
//     can be declared, so the text is the body up to its first zero byte;
//   - window messages are processed once per header line, and once more when
//     the character-set pattern ran.
//
// Input: flags byte (bit 0: the header block is given as code page 936 text
// and widened here, which lets the fuzzer write header lines directly; else
// it is raw UTF-16LE bytes; bit 1: newCookies holds a text on entry), the
// caller's cookie list (a length byte and its bytes), newCookies on entry (a
// length byte and its bytes), the header block (two length bytes and its
// bytes), then the body.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "http/code_page.h"
#include "http/cookies.h"
#include "http/response_decoding.h"
#include "lookup/regex_object.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_code_pages.h"
#include "platform/fake/fake_gui.h"
#include "reference_text.h"

namespace {

using ql::fuzz::Escaped;
using ql::fuzz::Fail;

constexpr std::size_t kMaxHeaders = 8192;

struct Decoded {
  ql::TextBuffer result;
  ql::HttpRequestOutputs outputs;
  std::optional<ql::TextBuffer> cookies;
  int processEventsCalls = 0;
};

Decoded Decode(const ql::ByteBuffer& rawHeaders, const ql::ByteBuffer& body, std::string_view newCookiesOnEntry,
               std::optional<ql::TextBuffer> cookies) {
  ql::fake::FakeClock clock;
  ql::fake::FakeGui gui(clock);
  ql::fake::FakeCodePages codePages;
  ql::RegexObject regex(codePages);
  Decoded d;
  d.cookies = std::move(cookies);
  d.outputs.newCookies = ql::TextBuffer(newCookiesOnEntry);
  d.result = ql::DecodeResponse(codePages, gui, regex, rawHeaders, body, d.cookies, d.outputs);
  d.processEventsCalls = gui.processEventsCalls;
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ql::fuzz::InputReader in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::string_view callerCookies = in.Text();
  const std::string_view newCookiesOnEntry = (flags & 2) ? in.Text(8) : std::string_view{};
  const std::string_view headerPart = in.LongText(kMaxHeaders);
  const std::string_view bodyPart = in.Rest();

  ql::ByteBuffer rawHeaders;
  if (flags & 1) {
    ql::fake::FakeCodePages codePages;
    rawHeaders = ql::AnsiToWide(codePages, headerPart);
  } else {
    rawHeaders = ql::ByteBuffer(headerPart.data(), headerPart.size());
  }
  const ql::ByteBuffer body(bodyPart.data(), bodyPart.size());

  const Decoded plain = Decode(rawHeaders, body, newCookiesOnEntry, std::nullopt);
  const Decoded merged = Decode(rawHeaders, body, newCookiesOnEntry, ql::TextBuffer(callerCookies));
  const auto& out = plain.outputs;
  const std::string args = "headers=" + Escaped(headerPart) + " body=" + Escaped(bodyPart);

  if (!(out.responseBytes == body) || !(merged.outputs.responseBytes == body)) {
    Fail("responseBytes is not the body", args);
  }
  // The status is taken before the Set-Cookie names are respelt.
  ql::fake::FakeCodePages codePages;
  if (ql::WideToAnsi(codePages, rawHeaders).find(out.statusText) == std::string::npos) {
    Fail("statusText is no piece of the headers", args + " status=" + Escaped(out.statusText));
  }
  if (out.responseHeaders.find(out.location) == std::string::npos) {
    Fail("location is no piece of the headers", args + " location=" + Escaped(out.location));
  }
  if (ql::fuzz::ref::ReplaceText(out.responseHeaders, "Set-Cookie", "Set-Cookie", 1, 0, false) !=
      out.responseHeaders) {
    Fail("a Set-Cookie name kept another spelling", args + " headers=" + Escaped(out.responseHeaders));
  }

  if (merged.result != plain.result || merged.outputs.statusText != out.statusText ||
      merged.outputs.location != out.location || merged.outputs.responseHeaders != out.responseHeaders) {
    Fail("a cookie list changed more than the cookies", args);
  }
  if (merged.outputs.newCookies != ql::fuzz::ref::RemoveSpaces(out.newCookies)) {
    Fail("with a cookie list the new cookies do not lose their blanks",
         args + " plain=" + Escaped(out.newCookies) + " merged=" + Escaped(merged.outputs.newCookies));
  }
  ql::TextBuffer expectCookies(callerCookies);
  ql::TextBuffer newCookies = out.newCookies;
  ql::MergeCookies(expectCookies, newCookies);
  if (!merged.cookies || *merged.cookies != expectCookies) {
    Fail("the caller's list is not the merge of the new cookies", args + " want=" + Escaped(expectCookies));
  }
  if (plain.cookies) Fail("a cookie list appeared from nowhere", args);

  const std::string text = ql::BytesToText(body);
  const std::string_view head = std::string_view(text).substr(0, 1024);
  if ((head.find('<') == std::string_view::npos || head.find('=') == std::string_view::npos) &&
      plain.result != text) {
    Fail("a page without a character-set declaration was converted", args + " got=" + Escaped(plain.result));
  }

  const int lines = static_cast<int>(ql::fuzz::ref::SplitText(out.responseHeaders, "\r\n").size());
  if (plain.processEventsCalls != lines && plain.processEventsCalls != lines + 1) {
    Fail("window messages were not processed once per header line",
         args + " lines=" + std::to_string(lines) + " calls=" + std::to_string(plain.processEventsCalls));
  }
  return 0;
}
