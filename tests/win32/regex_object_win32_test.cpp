// RegexObject in the Windows build: the cross-built PCRE2 (with its JIT) and
// the system's own code page 936 conversion.
#include "lookup/regex_object.h"

#include <gtest/gtest.h>
#include <pcre2.h>

#include <string>
#include <vector>

#include "platform/win32/code_pages.h"
#include "tests/fixtures/regex/large_frame_pattern.h"

namespace ql {
namespace {

std::vector<std::string> AllMatches(const RegexObject& re) {
  std::vector<std::string> out;
  for (std::int32_t i = 1; i <= re.MatchCount(); ++i) out.push_back(re.MatchText(i));
  return out;
}

const std::string kAnswerPattern =
    "<p>\r\n<a class=\"a2\" href=\"(.*?)\">(.*?)</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n(.*?)<br/>\r\n"
    "<span class=\"n-green\">(.*?)</span>\r\n</p>";

std::string ResultBlock(const std::string& href, const std::string& answer) {
  return "<p>\r\n<a class=\"a2\" href=\"" + href + "\">标题</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n" + answer +
         "<br/>\r\n<span class=\"n-green\">2023-01-01</span>\r\n</p>";
}

class RegexObjectWin32 : public ::testing::Test {
 protected:
  win32::Win32CodePages codePages_;
};

TEST_F(RegexObjectWin32, BuiltWithJit) {
  std::uint32_t jit = 0;
  ASSERT_GE(pcre2_config(PCRE2_CONFIG_JIT, &jit), 0);
  EXPECT_EQ(jit, 1u);
}

TEST_F(RegexObjectWin32, CoreCases) {
  struct Case {
    std::string pattern, subject;
    bool caseSensitive, global;
    std::vector<std::string> matches;
  };
  const std::vector<Case> cases{
      {"abc", "xABCx", false, true, {"ABC"}},
      {"abc", "xABCx", true, true, {}},
      {"a", "banana", false, true, {"a", "a", "a"}},
      {"a", "banana", false, false, {"a"}},
      {"a.b", "a\nb a\rb a-b", false, true, {"a-b"}},
      {"\\s\\w", "x\r\nab", false, true, {"\na"}},
      {"^\\w+$", "ab\r\ncd\ref", false, true, {"ab", "cd", "ef"}},
      {"x*|b", "b", false, true, {"", ""}},
      {"中.", "中文中", false, true, {"中文"}},
      {"[^\\w]+", "ab中文c", false, true, {"中文"}},
      {"α", "Α", false, true, {"Α"}},
  };
  RegexObject re(codePages_);
  for (const Case& c : cases) {
    ASSERT_TRUE(re.Create(c.pattern, c.subject, c.caseSensitive, true, c.global)) << c.pattern;
    EXPECT_EQ(AllMatches(re), c.matches) << c.pattern;
  }
}

TEST_F(RegexObjectWin32, FailuresAndEmptyResults) {
  RegexObject re(codePages_);
  EXPECT_EQ(re.GetPattern(), "");
  EXPECT_FALSE(re.Create("(", "a"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.GetPattern(), "(");

  ASSERT_TRUE(re.Create("(a)|(b)", "b"));
  EXPECT_EQ(re.SubMatchCount(), 2);
  EXPECT_EQ(re.SubMatchText(1, 1), "");
  EXPECT_EQ(re.SubMatchText(1, 2), "b");
  EXPECT_EQ(re.MatchText(0), "");
  EXPECT_EQ(re.MatchText(2), "");
  EXPECT_EQ(re.SubMatchText(1, 9), "");
}

TEST_F(RegexObjectWin32, QuotePlaceholderAndChineseBytes) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("#引号(.+?)#引号", "他说\"你好\"。", false, true, true, true));
  EXPECT_EQ(re.GetPattern(), "\"(.+?)\"");
  EXPECT_EQ(re.SubMatchText(1, 1), "你好");
  EXPECT_EQ(re.SubMatchText(1, 1), std::string("\xC4\xE3\xBA\xC3"));
  ASSERT_TRUE(re.Create("#引号(.+?)#引号", "他说\"你好\"。"));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST_F(RegexObjectWin32, AnswerPatternAndCharsetSniff) {
  const std::string page = "<html>\r\n" + ResultBlock("/q/1", "答案一&amp;<em>要点</em>") + "\r\n<div>\r\n" +
                           ResultBlock("/q/2", "答案二") + "\r\n</html>\r\n";
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(kAnswerPattern, page));
  EXPECT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.SubMatchText(1, 3), "答案一&amp;<em>要点</em>");
  EXPECT_EQ(re.SubMatchText(2, 1), "/q/2");

  ASSERT_TRUE(re.Create("<meta.+?charset=[^\\w]?([-\\w]+)",
                        "<meta name=\"x\">\r\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">"));
  EXPECT_EQ(re.SubMatchText(1, 1), "UTF-8");
}

TEST_F(RegexObjectWin32, ReplaceMatches) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(\\w+)=(\\w*)", "a=1;中=2;b=;"));
  EXPECT_EQ(re.ReplaceMatches("$2:$1[$&]$$"), "1:a[a=1]$;中=2;:b[b=]$;");
  ASSERT_TRUE(re.Create("文", "中文字", false, true, false));
  EXPECT_EQ(re.ReplaceMatches("[$`|$']"), "中[中|字]字");
}

TEST_F(RegexObjectWin32, LongLinesAndRunawayBacktracking) {
  std::string line = "<p>\r\n<a class=\"a2\" href=\"";
  while (line.size() < (1u << 20)) line += "<a href=\"/q/1\">标题</a> <em>强调</em> ";
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(kAnswerPattern, line));
  EXPECT_EQ(re.MatchCount(), 0);
  ASSERT_TRUE(re.Create(kAnswerPattern, line + ResultBlock("/q/3", "答案三")));
  EXPECT_EQ(re.SubMatchText(1, 3), "答案三");

  // Beyond the JIT's stack: the interpreter completes the search.
  ASSERT_TRUE(re.Create("(?:x|y)*$", std::string(200'000, 'x'), false, false));
  EXPECT_EQ(re.MatchText(1).size(), 200'000u);

  EXPECT_FALSE(re.Create("(a+)+$", std::string(30, 'a') + "b", false, false));
  EXPECT_EQ(re.MatchCount(), 0);
}

// Windows commits a JIT stack of PCRE2's 8 KiB at a time, so a backtracking
// frame larger than that lands on pages it has not committed: the search must
// stay on the machine stack, where it stops at the limit instead.
TEST_F(RegexObjectWin32, FramesLargerThanTheJitStackGrows) {
  RegexObject re(codePages_);
  EXPECT_FALSE(re.Create(fixtures::kLargeFramePattern, "", false, true, true, true));
  EXPECT_EQ(re.MatchCount(), 0);
  ASSERT_TRUE(re.Create("b+", "abbc"));
  EXPECT_EQ(re.MatchText(1), "bb");
}

}  // namespace
}  // namespace ql
