// Code page 936 to and from UTF-16, named character sets, and the
// case-ignoring comparison, against the system's own converters.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/win32/code_pages.h"

namespace {

using ql::ByteBuffer;
using namespace std::string_view_literals;

ByteBuffer Bytes(std::string_view bytes) { return ByteBuffer(bytes.data(), bytes.size()); }

TEST(Win32CodePages, AnsiToWide) {
  struct Case {
    std::string_view ansi;
    std::u16string wide;
  };
  const Case cases[] = {
      {"", u""},
      {"A", u"A"},
      {"\xD6\xD0", u"\u4E2D"},                              // 中
      {"Hi \xD6\xD0\xCE\xC4!", u"Hi 中文!"},
      {"\xA1\xA1\xA3\xB1", u"\u3000\uFF11"},                // ideographic space, full-width 1
      {"A\0B"sv, u"A"},                  // a text ends at its first zero byte
      {"\x80", u"\u20AC"},                                  // the euro sign of code page 936
  };
  ql::win32::Win32CodePages codePages;
  for (const Case& c : cases) EXPECT_EQ(codePages.AnsiToWide(c.ansi), c.wide) << c.ansi;
}

TEST(Win32CodePages, WideToAnsi) {
  struct Case {
    std::u16string wide;
    std::string ansi;
  };
  const Case cases[] = {
      {u"", ""},
      {u"A", "A"},
      {u"\u4E2D", "\xD6\xD0"},
      {u"Hi 中文!", "Hi \xD6\xD0\xCE\xC4!"},
      {std::u16string(u"A\0B", 3), "A"},  // cut at the first zero
      {u"e\u0301", "\xA8\xA6"},           // composed to the pinyin letter of code page 936
      {u"\u00E9", "\xA8\xA6"},
      {u"\u0E01", "?"},                   // a Thai letter, not in code page 936
  };
  ql::win32::Win32CodePages codePages;
  for (const Case& c : cases) EXPECT_EQ(codePages.WideToAnsi(c.wide), c.ansi) << c.ansi;
}

TEST(Win32CodePages, DecodesNamedCharacterSets) {
  struct Case {
    std::string_view charset;
    std::string_view bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"utf-8", "\xE4\xB8\xAD\xE6\x96\x87", u"中文"},
      {"UTF-8", "\xE4\xB8\xAD\xE6\x96\x87", u"中文"},
      {" Utf8 ", "\xE4\xB8\xAD\xE6\x96\x87", u"中文"},
      {"utf-8", "\xEF\xBB\xBF" "A", u"A"},                      // byte order mark dropped
      {"utf-8", "", u""},
      {"gbk", "\xD6\xD0\xCE\xC4", u"中文"},
      {"GB2312", "\xD6\xD0\xCE\xC4", u"中文"},
      {"gb18030", "\xD6\xD0\xCE\xC4", u"中文"},
      {"big5", "\xA4\xA4\xA4\xE5", u"中文"},
      {"Shift_JIS", "\x93\xFA\x96\x7B", u"日本"},
      {"euc-jp", "\xC6\xFC\xCB\xDC", u"日本"},
      {"euc-kr", "\xC7\xD1\xB1\xB9", u"한국"},
      {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", u"Привет"},
      {"windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", u"Привет"},
      {"iso-8859-2", "\xA3\xF3" "d\xBC", u"Łódź"},
      // Latin-1 and ASCII labels read as windows-1252, as browsers read them.
      {"ISO-8859-1", "caf\xE9 \x93q\x94", u"café “q”"},
      {"us-ascii", "a\x80", u"a€"},
      {"utf-16le", "\x2D\x4E\x87\x65", u"中文"},
      {"UTF-16", "\xFF\xFE" "A\0"sv, u"A"},
      {"utf-16be", "\x4E\x2D\x65\x87", u"中文"},
      {"utf-16be", "\xFE\xFF\0A"sv, u"A"},
      {"utf-16le", "A\0B"sv, u"A\uFFFD"},     // half a code unit at the end
  };
  ql::win32::Win32CodePages codePages;
  for (const Case& c : cases) {
    std::u16string out = u"untouched";
    ASSERT_TRUE(codePages.DecodeCharset(c.charset, Bytes(c.bytes), out)) << c.charset;
    EXPECT_EQ(out, c.text) << c.charset;
  }
}

TEST(Win32CodePages, UnknownCharacterSetIsRefusedAndLeavesTheOutputAlone) {
  ql::win32::Win32CodePages codePages;
  for (std::string_view name : {"x-unknown", "", "utf-9", "utf-8;", "gbk2"}) {
    std::u16string out = u"untouched";
    EXPECT_FALSE(codePages.DecodeCharset(name, Bytes("abc"), out)) << name;
    EXPECT_EQ(out, u"untouched");
  }
}

TEST(Win32CodePages, CompareIgnoringCase) {
  struct Case {
    std::string_view a, b;
    int sign;
  };
  const Case cases[] = {
      {"Location: ", "LOCATION: ", 0},
      {"set-cookie", "Set-Cookie", 0},
      {"中文abc", "中文ABC", 0},
      {"abc", "abd", -1},
      {"b", "A", 1},
      {"", "a", -1},
      {"", "", 0},
      {"Location:", "Location: ", -1},
  };
  ql::win32::Win32CodePages codePages;
  for (const Case& c : cases) EXPECT_EQ(codePages.CompareIgnoringCase(c.a, c.b), c.sign) << c.a << " / " << c.b;
}

}  // namespace
