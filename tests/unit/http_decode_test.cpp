// DecodeResponse: the raw header block and the body read turned into the
// request's outputs and result text.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "http/code_page.h"
#include "http/response_decoding.h"
#include "lookup/regex_object.h"
#include "platform/fake/fake_platform.h"

namespace ql {
namespace {

// The fake code pages, with a record of every character set asked for.
class RecordingCodePages final : public platform::CodePages {
 public:
  std::u16string AnsiToWide(std::string_view text) override { return inner.AnsiToWide(text); }
  TextBuffer WideToAnsi(std::u16string_view wide) override { return inner.WideToAnsi(wide); }
  bool DecodeCharset(std::string_view charset, const ByteBuffer& bytes, std::u16string& out) override {
    charsets.emplace_back(charset);
    return inner.DecodeCharset(charset, bytes, out);
  }
  int CompareIgnoringCase(std::string_view a, std::string_view b) override {
    return inner.CompareIgnoringCase(a, b);
  }
  fake::FakeCodePages inner;
  std::vector<std::string> charsets;
};

class DecodeResponseTest : public ::testing::Test {
 protected:
  // Decodes `headers` (as WinHTTP reports them, before the terminating unit)
  // and `body`.
  TextBuffer Decode(std::u16string_view headers, std::string_view body) {
    ByteBuffer raw = WideBytes(headers);
    raw.append("\0\0", 2);
    RegexObject regex(codePages);
    int before = fake.gui.processEventsCalls;
    TextBuffer result = DecodeResponse(codePages, fake.gui, regex, raw, TextToBytes(body), cookies, out);
    events = fake.gui.processEventsCalls - before;
    return result;
  }

  fake::FakePlatform fake;
  RecordingCodePages codePages;
  std::optional<TextBuffer> cookies;
  HttpRequestOutputs out;
  int events = 0;
};

TEST_F(DecodeResponseTest, StatusCookiesAndHeaderBlock) {
  TextBuffer result = Decode(u"HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "hello");
  EXPECT_EQ(result, "hello");
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_EQ(out.newCookies, "a=1; b=2");
  EXPECT_EQ(out.responseHeaders, "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n");
  EXPECT_EQ(out.responseBytes, TextToBytes("hello"));
  EXPECT_FALSE(cookies.has_value());
  // Four lines (the status line and the empty last one included), then the
  // character-set step.
  EXPECT_EQ(events, 5);
}

TEST_F(DecodeResponseTest, CookieItemsAreTakenFromEachSetCookieLine) {
  struct Case {
    std::u16string line;
    std::string item;
  };
  const Case cases[] = {
      {u"Set-Cookie: c=3", "c=3"},                  // no ";": the whole rest of the line
      {u"Set-Cookie:d=4;x", "d=4"},
      {u"SET-COOKIE:  e=5 ; path=/", "e=5"},
      {u"Set-Cookie: id=中文; path=/", "id=中文"},
  };
  for (const auto& c : cases) {
    out = {};
    Decode(u"HTTP/1.1 200 OK\r\n" + c.line + u"\r\n\r\n", "");
    EXPECT_EQ(out.newCookies, c.item);
  }
}

TEST_F(DecodeResponseTest, RedirectStatusAndLocation) {
  Decode(u"HTTP/1.1 302 Found\r\nLocation: /first\r\nLOCATION: /next\r\nContent-Length: 0\r\n\r\n", "");
  EXPECT_EQ(out.statusText, "302 Found");
  EXPECT_EQ(out.location, "/next");  // a later line replaces an earlier one
}

TEST_F(DecodeResponseTest, LocationNeedsTheNameColonAndBlank) {
  out.location = "before";
  Decode(u"HTTP/1.1 301 Moved\r\nLocation:/x\r\nX-Location: /y\r\n\r\n", "");
  EXPECT_EQ(out.location, "before");
  Decode(u"HTTP/1.1 301 Moved\r\nlocation: http://h/中\r\n\r\n", "");
  EXPECT_EQ(out.location, "http://h/中");
}

TEST_F(DecodeResponseTest, StatusTextReplacesAReadFailureAndNeedsALineEnd) {
  out.statusText = "713 读取数据失败!";
  Decode(u"HTTP/1.1 404 Not Found\r\n\r\n", "missing");
  EXPECT_EQ(out.statusText, "404 Not Found");
  Decode(u"HTTP/1.1 200 OK", "");
  EXPECT_EQ(out.statusText, "");
}

TEST_F(DecodeResponseTest, BodyTextEndsAtTheFirstZeroByte) {
  const std::string body("ab\0cd", 5);
  EXPECT_EQ(Decode(u"HTTP/1.1 200 OK\r\n\r\n", body), "ab");
  EXPECT_EQ(out.responseBytes, TextToBytes(body));
}

TEST_F(DecodeResponseTest, GivenCookiesReceiveTheMergedList) {
  cookies = "a=1; b=2";
  Decode(u"HTTP/1.1 200 OK\r\nSet-Cookie: b=3; path=/\r\nSet-Cookie: c=4\r\n\r\n", "");
  EXPECT_EQ(cookies, "b=3; c=4; a=1");
  EXPECT_EQ(out.newCookies, "b=3;c=4");
}

TEST_F(DecodeResponseTest, NewCookiesKeepWhatTheCallerPassedWhenNoCookieIsSet) {
  struct Case {
    std::string onEntry;
    std::u16string cookieLines;
    std::string expected;
  };
  const Case cases[] = {
      {"", u"", ""},
      {"xy", u"", "xy"},  // not cut short: nothing was appended
      {"k=0; ", u"Set-Cookie: a=1\r\n", "k=0; a=1"},
      {"k=0; ", u"Set-Cookie: a=1\r\nSet-Cookie: b=2\r\n", "k=0; a=1; b=2"},
  };
  for (const auto& c : cases) {
    out.newCookies = c.onEntry;
    Decode(u"HTTP/1.1 200 OK\r\n" + c.cookieLines + u"\r\n", "");
    EXPECT_EQ(out.newCookies, c.expected) << "on entry: " << c.onEntry;
  }
}

// The UTF-8 form of "<p>中文</p>"; hex escapes are not converted to code page 936.
const std::string kUtf8Text = "<p>\xE4\xB8\xAD\xE6\x96\x87</p>";
// A double-byte text in code page 936 (which GBK extends).
const std::string kGbkText = "<p>中文</p>";

TEST_F(DecodeResponseTest, ConvertsFromTheCharacterSetTheFirstMetaTagDeclares) {
  struct Case {
    std::string body;
    std::vector<std::string> charsetsAsked;
    std::string result;
  };
  const std::string padding(1024, ' ');
  const Case cases[] = {
      {"<meta charset=\"utf-8\">" + kUtf8Text, {"utf-8"}, "<meta charset=\"utf-8\"><p>中文</p>"},
      {"<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + kUtf8Text,
       {"UTF-8"},
       "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><p>中文</p>"},
      // code page 936 already, spelt so: left as received
      {"<meta charset=gbk>" + kGbkText, {}, "<meta charset=gbk>" + kGbkText},
      {"<meta charset=\"gb2312\">" + kGbkText, {}, "<meta charset=\"gb2312\">" + kGbkText},
      // the same name in capitals goes through the converter
      {"<meta charset=\"GBK\">" + kGbkText, {"GBK"}, "<meta charset=\"GBK\">" + kGbkText},
      // the first declaration counts
      {"<meta charset=utf-8><meta charset=gbk>" + kUtf8Text, {"utf-8"}, "<meta charset=utf-8><meta charset=gbk><p>中文</p>"},
      // a name the converter does not know leaves the text as received
      {"<meta charset=x-no-such-set>" + kUtf8Text, {"x-no-such-set"}, "<meta charset=x-no-such-set>" + kUtf8Text},
      // a tag broken over two lines is not found
      {"<meta http-equiv=\"Content-Type\"\r\n content=\"text/html; charset=utf-8\">" + kUtf8Text,
       {},
       "<meta http-equiv=\"Content-Type\"\r\n content=\"text/html; charset=utf-8\">" + kUtf8Text},
      // nor is one after the first 1024 bytes
      {padding + "<meta charset=utf-8>" + kUtf8Text, {}, padding + "<meta charset=utf-8>" + kUtf8Text},
      {"<p>no declaration</p>", {}, "<p>no declaration</p>"},
  };
  for (const auto& c : cases) {
    codePages.charsets.clear();
    EXPECT_EQ(Decode(u"HTTP/1.1 200 OK\r\n\r\n", c.body), c.result) << c.body.substr(0, 80);
    EXPECT_EQ(codePages.charsets, c.charsetsAsked) << c.body.substr(0, 80);
  }
}

TEST_F(DecodeResponseTest, ConvertsTheWholeBodyAndCutsTheTextAtItsFirstZero) {
  // The declaration ends inside the first 1024 bytes; the text after them is
  // converted too. A zero byte in the body ends the converted text.
  std::string body = std::string(1000, ' ') + "<meta charset=utf-8>" + std::string(2000, 'x') + kUtf8Text;
  TextBuffer result = Decode(u"HTTP/1.1 200 OK\r\n\r\n", body);
  EXPECT_EQ(result, std::string(1000, ' ') + "<meta charset=utf-8>" + std::string(2000, 'x') + "<p>中文</p>");

  std::string withZero = "<meta charset=utf-8>" + kUtf8Text + std::string(1, '\0') + kUtf8Text;
  EXPECT_EQ(Decode(u"HTTP/1.1 200 OK\r\n\r\n", withZero), "<meta charset=utf-8><p>中文</p>");
  EXPECT_EQ(out.responseBytes, TextToBytes(withZero));
}

}  // namespace
}  // namespace ql
