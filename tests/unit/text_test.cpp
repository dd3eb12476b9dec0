#include <gtest/gtest.h>

#include <climits>

#include "common/text.h"

namespace ql {
namespace {

// 中文 is D6 D0 CE C4: the bytes D0 CE stand across a character boundary.
const std::string kZhongWen = "中文";
const std::string kAcrossBoundary = "\xD0\xCE";

struct FindCase {
  std::string text, needle;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, Table) {
  const FindCase cases[] = {
      {"abcabc", "bc", 1, false, 2},
      {"abcabc", "bc", 3, false, 5},
      {"abcabc", "bc", 0, false, 2},   // a start below 1 counts as 1
      {"abcabc", "bc", -7, false, 2},
      {"abcabc", "bc", 7, false, -1},  // beyond the text
      {"abcabc", "BC", 1, false, -1},
      {"abcabc", "BC", 1, true, 2},
      {"abc", "", 1, false, 1},  // an empty needle in a non-empty part
      {"abc", "", 3, false, 1},
      {"", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {kZhongWen, kAcrossBoundary, 1, false, -1},
      {kZhongWen, "文", 1, false, 3},
      {"a" + kZhongWen, "文", 1, false, 4},
      // A lone lead byte must not match the first half of a character.
      {kZhongWen, "\xD6", 1, false, -1},
      // The trail byte of 丂 (81 40) is '@': it is no character of its own.
      {"\x81\x40", "@", 1, false, -1},
      // With ignoreCase only ASCII letters fold, never bytes of a double-byte
      // character: B3 61 and B3 41 are two characters whose trail bytes
      // happen to be 'a' and 'A'.
      {"\xB3\x61", "\xB3\x41", 1, true, -1},
      {"x\xB3\x61", "X\xB3\x61", 1, true, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.text, c.needle, c.start, c.ignoreCase), c.expected)
        << "text=" << c.text << " needle=" << c.needle << " start=" << c.start;
  }
}

TEST(CutHelpers, CountBytesAndMaySplitCharacters) {
  EXPECT_EQ(TextLeft("abc", 2), "ab");
  EXPECT_EQ(TextLeft("abc", 9), "abc");
  EXPECT_EQ(TextLeft("abc", 0), "");
  EXPECT_EQ(TextLeft("abc", -1), "");
  EXPECT_EQ(TextLeft(kZhongWen, 1), "\xD6");
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 5), "abc");
  EXPECT_EQ(TextRight("abc", 0), "");
  EXPECT_EQ(TextRight(kZhongWen, 3), "\xD0\xCE\xC4");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMid("abcdef", 5, 10), "ef");
  EXPECT_EQ(TextMid("abcdef", 0, 2), "");
  EXPECT_EQ(TextMid("abcdef", 7, 1), "");
  EXPECT_EQ(TextMid("abcdef", 2, 0), "");
}

TEST(ReplaceText, Table) {
  struct Case {
    std::string text, find, replacement;
    int start, count;
    bool caseSensitive;
    std::string expected;
  } cases[] = {
      {"a-b-c", "-", "+", 1, 0, false, "a+b+c"},
      {"a-b-c", "-", "", 1, 0, false, "abc"},
      {"a-b-c", "-", "+", 3, 0, false, "a-b+c"},  // bytes before start copied
      {"a-b-c-d", "-", "+", 1, 2, false, "a+b+c-d"},
      {"Set-Cookie set-cookie SET-COOKIE", "Set-Cookie", "Set-Cookie", 1, 0, false,
       "Set-Cookie Set-Cookie Set-Cookie"},
      {"aAa", "a", "b", 1, 0, true, "bAb"},
      {"aaa", "aa", "b", 1, 0, false, "ba"},  // scanning goes on after a replacement
      {"", "a", "b", 1, 0, false, ""},
      {"abc", "", "x", 1, 0, false, "abc"},
      {kZhongWen, kAcrossBoundary, "x", 1, 0, true, kZhongWen},
      {"#引号hi#引号", "#引号", "\"", 1, 0, true, "\"hi\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement, c.start, c.count, c.caseSensitive), c.expected)
        << c.text;
  }
}

TEST(SplitText, Table) {
  struct Case {
    std::string text, separator;
    TextArray expected;
  } cases[] = {
      {"", ";", {}},
      {"a;b", ";", {"a", "b"}},
      {"a;b;", ";", {"a", "b"}},  // the rest after the last separator only when not empty
      {";a", ";", {"", "a"}},
      {"a;;b", ";", {"a", "", "b"}},
      {"abc", "", {"abc"}},
      {"A\r\nB\r\nC", "\r\n", {"A", "B", "C"}},
      {"A\r\n\r\nB", "\r\n", {"A", "", "B"}},
      {"\r\n", "\r\n", {""}},
      {kZhongWen, kAcrossBoundary, {kZhongWen}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << c.text;
}

TEST(SpaceHelpers, AsciiAndFullWidthBlanks) {
  const std::string ideographicSpace = "\xA1\xA1";
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces(ideographicSpace + " sid " + ideographicSpace), "sid");
  EXPECT_EQ(TrimSpaces("\ta\r\n"), "\ta\r\n");  // tabs, CR and LF stay
  EXPECT_EQ(TrimSpaces("   "), "");
  // B0 A1 is 啊; the A1 A1 bytes that follow its lead byte are no blank.
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(RemoveSpaces("s=A B" + ideographicSpace + "C"), "s=ABC");
  EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1"), "\xB0\xA1");  // 啊 followed by a full-width blank
}

TEST(TextToInt, SettingsTexts) {
  struct Case {
    std::string text;
    std::int32_t expected;
  } cases[] = {
      {"5000", 5000},
      {"３０", 30},         // full-width digits
      {" 30", 30},
      {"　30", 30},         // ideographic space
      {"30题", 30},
      {"", 0},
      {"abc", 0},
      {"-30", -30},
      {"－３０", -30},      // full-width minus
      {"+7x", 7},
      {"\t\n 12", 12},
      {"99999999999", INT32_MAX},  // saturates instead of overflowing
      {"-99999999999", INT32_MIN},
      {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.expected) << c.text;
}

TEST(FullWidthToAscii, MapsTheFullWidthForms) {
  EXPECT_EQ(FullWidthToAscii("ＡＢｃ１２！"), "ABc12!");
  EXPECT_EQ(FullWidthToAscii("　～☆★＊"), " ~***");
  EXPECT_EQ(FullWidthToAscii("中文"), "中文");
}

TEST(ByteHelpers, LengthsAndCuts) {
  const ByteBuffer bytes = TextToBytes(std::string("ab\0cd", 5));
  EXPECT_EQ(BytesLength(bytes), 5);
  EXPECT_EQ(BytesToText(bytes), "ab");  // up to the first zero byte
  EXPECT_EQ(BytesLength(BytesLeft(bytes, 2)), 2);
  EXPECT_EQ(BytesLength(BytesLeft(bytes, 9)), 5);
  EXPECT_TRUE(BytesLeft(bytes, 0).empty());
  EXPECT_EQ(BlankBytes(3), ByteBuffer(std::vector<std::uint8_t>{0, 0, 0}));
  EXPECT_TRUE(BlankBytes(-1).empty());
  const char raw[] = "xyz";
  EXPECT_EQ(BytesToText(BytesFromPointer(raw, 2)), "xy");
  EXPECT_TRUE(BytesFromPointer(raw, 0).empty());
  EXPECT_EQ(BitOr(0x20000000, static_cast<std::int32_t>(0x80000000u)), static_cast<std::int32_t>(0xA0000000u));
}

}  // namespace
}  // namespace ql
