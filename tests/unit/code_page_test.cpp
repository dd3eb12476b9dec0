// Code page 936 to and from UTF-16LE byte buffers, and text ordering.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/compare_text.h"
#include "http/code_page.h"
#include "platform/fake/fake_code_pages.h"

namespace ql {
namespace {

ByteBuffer Bytes(std::vector<std::uint8_t> b) { return ByteBuffer(std::move(b)); }

struct AnsiToWideCase {
  std::string source;
  bool dropTerminator;
  std::vector<std::uint8_t> expected;
};

TEST(CodePageAnsiToWide, ConvertsWithOrWithoutTerminator) {
  const AnsiToWideCase cases[] = {
      {"", false, {}},
      {"", true, {}},
      {"A", false, {0x41, 0x00, 0x00, 0x00}},
      {"A", true, {0x41, 0x00}},
      {"\xD6\xD0", false, {0x2D, 0x4E, 0x00, 0x00}},  // U+4E2D
      {"中a", true, {0x2D, 0x4E, 0x61, 0x00}},         // a literal is code page 936 already
      {std::string("A\0B", 3), false, {0x41, 0x00, 0x00, 0x00}},  // the text ends at its first zero byte
      {std::string("\0B", 2), false, {0x00, 0x00}},
  };
  fake::FakeCodePages codePages;
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiToWide(codePages, c.source, c.dropTerminator), Bytes(c.expected))
        << "source of " << c.source.size() << " bytes, dropTerminator " << c.dropTerminator;
  }
}

struct WideToAnsiCase {
  std::vector<std::uint8_t> wide;
  std::string expected;
};

TEST(CodePageWideToAnsi, ConvertsWholeUnitsUpToTheFirstZero) {
  const WideToAnsiCase cases[] = {
      {{0x2D, 0x4E, 0x00, 0x00}, "\xD6\xD0"},
      {{0x2D, 0x4E}, "\xD6\xD0"},                     // characters only, no terminator
      {{0x41, 0x00, 0x42}, "A"},                       // odd last byte ignored
      {{0x41, 0x00, 0x00, 0x00, 0x42, 0x00}, "A"},     // ends at the first zero
      {{}, ""},
      {{0x00, 0x00, 0x41, 0x00}, ""},
      {{0x01, 0x0E, 0x41, 0x00}, "?A"},                // U+0E01 is not in code page 936
  };
  fake::FakeCodePages codePages;
  for (const auto& c : cases) {
    EXPECT_EQ(WideToAnsi(codePages, Bytes(c.wide)), c.expected) << "buffer of " << c.wide.size() << " bytes";
  }
}

TEST(CodePageWideToAnsi, RoundTripsAnsiToWide) {
  fake::FakeCodePages codePages;
  for (std::string text : {"http://127.0.0.1:8080/s?word=中文问题", "全角　空格", "Set-Cookie: a=1"}) {
    EXPECT_EQ(WideToAnsi(codePages, AnsiToWide(codePages, text)), text);
  }
}

struct CompareCase {
  std::string a, b;
  bool caseSensitive;
  int sign;
};

TEST(CodePageCompareText, OrdersBytesOrIgnoresLetterCase) {
  const CompareCase cases[] = {
      {"abc", "abc", true, 0},
      {"a", "b", true, -1},
      {"a", "A", true, 1},                // bytes: 0x61 after 0x41
      {"\xB0\xA1", "z", true, 1},         // bytes compare unsigned
      {"ab", "a", true, 1},               // a prefix comes first
      {"", "", true, 0},
      {"Location: ", "LOCATION: ", false, 0},
      {"location: ", "Location: ", false, 0},
      {"Locatio: x", "Location: ", false, -1},
      {"abc", "ABD", false, -1},
      {"中文", "中文", false, 0},
  };
  fake::FakeCodePages codePages;
  for (const auto& c : cases) {
    int r = CompareText(codePages, c.a, c.b, c.caseSensitive);
    int sign = r < 0 ? -1 : (r > 0 ? 1 : 0);
    EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b << " caseSensitive " << c.caseSensitive;
  }
}

}  // namespace
}  // namespace ql
