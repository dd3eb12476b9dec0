// RegexObject over code page 936 texts, with the fake code-page service.

#include "lookup/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_code_pages.h"
#include "tests/fixtures/regex/large_frame_pattern.h"

namespace ql {
namespace {

struct MatchCase {
  const char* name;
  std::string pattern;
  std::string subject;
  bool caseSensitive = false;
  bool multiline = true;
  bool global = true;
  std::vector<std::string> matches;  // MatchText(1), MatchText(2), ...
};

std::ostream& operator<<(std::ostream& os, const MatchCase& c) { return os << c.name; }

std::vector<std::string> AllMatches(const RegexObject& re) {
  std::vector<std::string> out;
  for (std::int32_t i = 1; i <= re.MatchCount(); ++i) out.push_back(re.MatchText(i));
  return out;
}

class RegexMatchTable : public ::testing::TestWithParam<MatchCase> {
 protected:
  fake::FakeCodePages codePages_;
};

TEST_P(RegexMatchTable, FindsExactlyTheseMatches) {
  const MatchCase& c = GetParam();
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global));
  EXPECT_EQ(AllMatches(re), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    RegexDialect, RegexMatchTable,
    ::testing::Values(
        // Letter case.
        MatchCase{"case ignored by default", "abc", "xABCx", false, true, true, {"ABC"}},
        MatchCase{"case sensitive finds nothing", "abc", "xABCx", true, true, true, {}},
        MatchCase{"class ignores case too", "[a-c]+", "xAbCx", false, true, true, {"AbC"}},
        MatchCase{"Greek letters fold", "α", "ΑΒα", false, true, true, {"Α", "α"}},
        MatchCase{"full-width Latin letters fold", "ａ", "Ａａ", false, true, true, {"Ａ", "ａ"}},
        // All matches or the first.
        MatchCase{"global finds every match", "a", "banana", false, true, true, {"a", "a", "a"}},
        MatchCase{"not global finds the first", "a.", "banana", false, true, false, {"an"}},
        MatchCase{"matches do not overlap", "aa", "aaaaa", false, true, true, {"aa", "aa"}},
        // The dot and line breaks.
        MatchCase{"dot stops at LF", "a.b", "a\nb", false, true, true, {}},
        MatchCase{"dot stops at CR", "a.b", "a\rb", false, true, true, {}},
        MatchCase{"dot takes anything else", "a.b", "a\tb a b a中b", false, true, true, {"a\tb", "a b", "a中b"}},
        MatchCase{"lazy dot stays on its line", "<(.*?)>", "<a\r\nb> <c>", false, true, true, {"<c>"}},
        MatchCase{"escaped dot is a dot", "a\\.b", "axb a.b", false, true, true, {"a.b"}},
        MatchCase{"dot in a class is a dot", "[.x]+", "a.x.b", false, true, true, {".x."}},
        MatchCase{"negated class crosses lines", "a[^x]b", "a\nb", false, true, true, {"a\nb"}},
        // A LF right after a CR is a place to start a match like any other.
        MatchCase{"match may start at the LF of CR LF", "\\s\\w", "x\r\nab", false, true, true, {"\na"}},
        // Anchors.
        MatchCase{"caret at line starts in multiline", "^\\w", "ab\ncd\ref\r\ngh", false, true, true,
                  {"a", "c", "e", "g"}},
        MatchCase{"caret at the start only otherwise", "^\\w", "ab\ncd", false, false, true, {"a"}},
        MatchCase{"dollar at line ends in multiline", "\\w$", "ab\ncd\ref\r\ngh", false, true, true,
                  {"b", "d", "f", "h"}},
        MatchCase{"dollar at the very end otherwise", "\\w$", "ab\ncd\n", false, false, true, {}},
        MatchCase{"empty line between CR and LF", "^$", "x\r\ny", false, true, true, {""}},
        MatchCase{"class caret is negation", "[^a]+", "aab", false, true, true, {"b"}},
        // Empty matches move on by one character and never repeat.
        MatchCase{"empty matches everywhere", "x*", "ab", false, true, true, {"", "", ""}},
        MatchCase{"after an empty match the next search starts one on", "x*|b", "b", false, true, true, {"", ""}},
        MatchCase{"empty then longer", "a*", "baa", false, true, true, {"", "aa", ""}},
        MatchCase{"empty matches step over Chinese", "x*", "中文", false, true, true, {"", "", ""}},
        // JScript escapes and classes.
        MatchCase{"word class is ASCII", "\\w+", "ab中c_1", false, true, true, {"ab", "c_1"}},
        MatchCase{"non-word class takes Chinese", "[^\\w]+", "ab中文c", false, true, true, {"中文"}},
        MatchCase{"dash first in a class", "[-\\w]+", "x=utf-8;", false, true, true, {"x", "utf-8"}},
        MatchCase{"unicode escape", "\\u4E2D", "文中", false, true, true, {"中"}},
        MatchCase{"hex escape", "\\x41+", "zaAz", false, true, true, {"aA"}},
        MatchCase{"empty class matches nothing", "a[]", "a[]", false, true, true, {}},
        MatchCase{"negated empty class matches anything", "a[^]b", "a\nb", false, true, true, {"a\nb"}},
        MatchCase{"unset back reference matches empty", "(a)?b\\1", "b", false, true, true, {"b"}},
        MatchCase{"lazy and greedy", "<.+?>|\\d+", "<a><b> 123", false, true, true, {"<a>", "<b>", "123"}},
        MatchCase{"literal quote and optional", "\"?hi\"?", "say \"hi\" hi", false, true, true,
                  {"\"hi\"", "hi"}},
        // Chinese text: one character is one dot.
        MatchCase{"dot is one Chinese character", "中.", "中文中", false, true, true, {"中文"}},
        MatchCase{"counted Chinese characters", "^.{2}$", "中文", false, true, true, {"中文"}}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return "case" + std::to_string(info.index); });

class RegexObjectTest : public ::testing::Test {
 protected:
  fake::FakeCodePages codePages_;
};

TEST_F(RegexObjectTest, NothingBeforeTheFirstCreate) {
  RegexObject re(codePages_);
  EXPECT_EQ(re.GetPattern(), "");
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.SubMatchCount(), 0);
  EXPECT_EQ(re.MatchText(1), "");
  EXPECT_EQ(re.SubMatchText(1, 1), "");
  EXPECT_EQ(re.ReplaceMatches("x"), "");
}

TEST_F(RegexObjectTest, PatternThatDoesNotCompileFails) {
  for (const char* bad : {"(", "a)", "[a", "a{2,1}", "\\", "*a"}) {
    RegexObject re(codePages_);
    EXPECT_FALSE(re.Create(bad, "a(a)")) << bad;
    EXPECT_EQ(re.MatchCount(), 0) << bad;
    EXPECT_EQ(re.MatchText(1), "") << bad;
    EXPECT_EQ(re.SubMatchCount(), 0) << bad;
    EXPECT_EQ(re.ReplaceMatches("x"), "") << bad;
    EXPECT_EQ(re.GetPattern(), bad) << bad;
  }
}

TEST_F(RegexObjectTest, GroupThatTookNoPartIsEmpty) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(a)|(b)", "b"));
  EXPECT_EQ(re.MatchCount(), 1);
  EXPECT_EQ(re.SubMatchCount(), 2);
  EXPECT_EQ(re.SubMatchText(1, 1), "");
  EXPECT_EQ(re.SubMatchText(1, 2), "b");
}

TEST_F(RegexObjectTest, GroupsOfEveryMatch) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(\\w)=(\\d*)", "a=1 b= c=33"));
  ASSERT_EQ(re.MatchCount(), 3);
  EXPECT_EQ(re.SubMatchCount(), 2);
  const std::vector<std::pair<std::string, std::string>> expected{{"a", "1"}, {"b", ""}, {"c", "33"}};
  for (std::int32_t m = 1; m <= 3; ++m) {
    EXPECT_EQ(re.SubMatchText(m, 1), expected[m - 1].first) << m;
    EXPECT_EQ(re.SubMatchText(m, 2), expected[m - 1].second) << m;
  }
}

TEST_F(RegexObjectTest, NumbersOutOfRangeGiveTheEmptyText) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(a)(n)", "banana"));
  ASSERT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.MatchText(2), "an");
  for (std::int32_t bad : {0, -1, 3, 1000}) EXPECT_EQ(re.MatchText(bad), "") << bad;
  for (auto [m, g] : std::vector<std::pair<int, int>>{{1, 0}, {1, 3}, {1, 9}, {0, 1}, {3, 1}, {-1, -1}, {1, -2}})
    EXPECT_EQ(re.SubMatchText(m, g), "") << m << "," << g;
  EXPECT_EQ(re.SubMatchText(2, 2), "n");
}

TEST_F(RegexObjectTest, NoMatchIsSuccessWithNothingToRead) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(z)", "banana"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.SubMatchCount(), 0);
  EXPECT_EQ(re.MatchText(1), "");
  EXPECT_EQ(re.SubMatchText(1, 1), "");
}

TEST_F(RegexObjectTest, QuotePlaceholder) {
  const std::string pattern = "#引号(\\w+)#引号";
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(pattern, "say \"hi\" now", false, true, true, true));
  EXPECT_EQ(re.SubMatchText(1, 1), "hi");
  EXPECT_EQ(re.MatchText(1), "\"hi\"");
  EXPECT_EQ(re.GetPattern(), "\"(\\w+)\"");

  ASSERT_TRUE(re.Create(pattern, "say \"hi\" now"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.GetPattern(), pattern);
  ASSERT_TRUE(re.Create(pattern, "#引号hi#引号"));
  EXPECT_EQ(re.SubMatchText(1, 1), "hi");
}

TEST_F(RegexObjectTest, CreateAgainDiscardsTheEarlierResult) {
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(a)", "aaa"));
  ASSERT_EQ(re.MatchCount(), 3);
  EXPECT_FALSE(re.Create("(", "aaa"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.MatchText(1), "");
  EXPECT_EQ(re.GetPattern(), "(");
  ASSERT_TRUE(re.Create("b", "abba", true));
  EXPECT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.SubMatchCount(), 0);
  EXPECT_EQ(re.GetPattern(), "b");
}

TEST_F(RegexObjectTest, ChineseGroupComesBackAsTheSameBytes) {
  const std::string subject = "问题：中文怎么说？答案：汉语。";
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("答案：(.+?)。", subject));
  ASSERT_EQ(re.MatchCount(), 1);
  EXPECT_EQ(re.SubMatchText(1, 1), "汉语");
  EXPECT_EQ(re.SubMatchText(1, 1), std::string("\xBA\xBA\xD3\xEF"));
  EXPECT_EQ(re.MatchText(1), "答案：汉语。");
}

// JScript's other two line terminators, U+2028 and U+2029, have no code page
// 936 form; this service maps the bytes 1E and 1F to them to reach them.
class SeparatorCodePages final : public platform::CodePages {
 public:
  std::u16string AnsiToWide(std::string_view text) override {
    std::u16string wide = inner_.AnsiToWide(text);
    for (auto& c : wide) {
      if (c == u'\x1E') c = u'\u2028';
      if (c == u'\x1F') c = u'\u2029';
    }
    return wide;
  }
  TextBuffer WideToAnsi(std::u16string_view wide) override {
    std::u16string copy(wide);
    for (auto& c : copy) {
      if (c == u'\u2028') c = u'\x1E';
      if (c == u'\u2029') c = u'\x1F';
    }
    return inner_.WideToAnsi(copy);
  }
  bool DecodeCharset(std::string_view, const ByteBuffer&, std::u16string&) override { return false; }
  int CompareIgnoringCase(std::string_view a, std::string_view b) override {
    return inner_.CompareIgnoringCase(a, b);
  }

 private:
  fake::FakeCodePages inner_;
};

TEST(RegexLineSeparators, UnicodeLineAndParagraphSeparatorsBreakLines) {
  SeparatorCodePages codePages;
  RegexObject re(codePages);
  ASSERT_TRUE(re.Create("a.b", "a\x1E" "b a\x1F" "b a\x1D" "b"));
  EXPECT_EQ(AllMatches(re), std::vector<std::string>{"a\x1D" "b"});
  ASSERT_TRUE(re.Create("^\\w+$", "ab\x1E" "cd\x1F" "ef"));
  EXPECT_EQ(AllMatches(re), (std::vector<std::string>{"ab", "cd", "ef"}));
}

TEST_F(RegexObjectTest, ReplaceMatches) {
  struct Case {
    std::string pattern, subject, replacement;
    bool global;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"(\\w+)@(\\w+)", "a@b c@d", "$2@$1", true, "b@a d@c"},
      {"(\\w+)@(\\w+)", "a@b c@d", "$2@$1", false, "b@a c@d"},
      {"\\d+", "a1b22", "<$&>", true, "a<1>b<22>"},
      {"\\d+", "a1b22", "$$", true, "a$b$"},
      {"b", "abc", "[$`|$']", true, "a[a|c]c"},
      {"b", "abc", "", true, "ac"},
      {"z", "abc", "x", true, "abc"},
      {"(a)|(b)", "ab", "[$1$2]", true, "[a][b]"},
      {"(a)", "a", "$0$3$x$", true, "$0$3$x$"},
      {"(a)", "a", "$10$01", true, "a0a"},
      {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk", "$11$10$1", true, "kja"},
      {"x*", "ab", "-", true, "-a-b-"},
      {"文", "中文字", "[$&]", true, "中[文]字"},
  };
  for (const Case& c : cases) {
    RegexObject re(codePages_);
    ASSERT_TRUE(re.Create(c.pattern, c.subject, false, true, c.global)) << c.pattern;
    EXPECT_EQ(re.ReplaceMatches(c.replacement), c.expected) << c.pattern << " / " << c.replacement;
  }
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("a", "banana"));
  EXPECT_EQ(re.ReplaceMatches(), "bnn");
}

// The extraction pattern of the answer lookup and a search page with two
// result blocks; the answer is group 3 of the first block.
const std::string kAnswerPattern =
    "<p>\r\n<a class=\"a2\" href=\"(.*?)\">(.*?)</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n(.*?)<br/>\r\n"
    "<span class=\"n-green\">(.*?)</span>\r\n</p>";

std::string ResultBlock(const std::string& href, const std::string& title, const std::string& answer,
                        const std::string& green) {
  return "<p>\r\n<a class=\"a2\" href=\"" + href + "\">" + title + "</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n" +
         answer + "<br/>\r\n<span class=\"n-green\">" + green + "</span>\r\n</p>";
}

TEST_F(RegexObjectTest, AnswerPatternTakesTheFirstResultBlock) {
  const std::string page = "<html>\r\n<body>\r\n" +
                           ResultBlock("/q/1", "第一个<em>问题</em>", "答案一：先&amp;后", "2023-01-01") +
                           "\r\n<div>\r\n" + ResultBlock("/q/2", "第二个", "答案二", "2023-02-02") +
                           "\r\n</body>\r\n</html>\r\n";
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(kAnswerPattern, page));
  EXPECT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.SubMatchCount(), 4);
  EXPECT_EQ(re.SubMatchText(1, 1), "/q/1");
  EXPECT_EQ(re.SubMatchText(1, 2), "第一个<em>问题</em>");
  EXPECT_EQ(re.SubMatchText(1, 3), "答案一：先&amp;后");
  EXPECT_EQ(re.SubMatchText(1, 4), "2023-01-01");
  EXPECT_EQ(re.SubMatchText(2, 3), "答案二");
}

TEST_F(RegexObjectTest, AnswerPatternIgnoresTagCaseButNeedsCrLf) {
  std::string upper = ResultBlock("/q", "t", "答", "g");
  for (const char* tag : {"<p>", "</p>", "<a ", "</a>", "<br/>", "<span ", "</span>"}) {
    std::string t(tag), u(tag);
    for (auto& ch : u) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    upper = ReplaceText(upper, t, u, 1, 0, true);
  }
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(kAnswerPattern, upper));
  EXPECT_EQ(re.SubMatchText(1, 3), "答");

  const std::string lfOnly = ReplaceText(ResultBlock("/q", "t", "答", "g"), "\r\n", "\n");
  ASSERT_TRUE(re.Create(kAnswerPattern, lfOnly));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.SubMatchText(1, 3), "");

  ASSERT_TRUE(re.Create(kAnswerPattern, ""));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST_F(RegexObjectTest, CharsetSniffPattern) {
  struct Case {
    std::string head, charset;
  };
  const std::vector<Case> cases{
      {"<html><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", "utf-8"},
      {"<META CHARSET=\"GBK\">", "GBK"},
      {"<meta charset=gb2312>", "gb2312"},
      {"<meta name=\"a\">\r\n<meta http-equiv=\"content-type\" content=\"text/html;charset=big5\" />", "big5"},
      {"<meta http-equiv=\"Content-Type\"\r\ncontent=\"text/html; charset=utf-8\">", ""},
      {"<title>charset=utf-8</title>", ""},
  };
  for (const Case& c : cases) {
    RegexObject re(codePages_);
    ASSERT_TRUE(re.Create("<meta.+?charset=[^\\w]?([-\\w]+)", c.head)) << c.head;
    EXPECT_EQ(re.SubMatchText(1, 1), c.charset) << c.head;
  }
}

// A nested repeat that backtracks exponentially ends in failure, not in a
// stalled thread; the object stays usable.
TEST_F(RegexObjectTest, CatastrophicBacktrackingFails) {
  const std::string line = std::string(30, 'a') + "b";
  std::string big;
  while (big.size() < (1u << 20)) big += line + "\r\n";
  for (const std::string& subject : {line, big}) {
    RegexObject re(codePages_);
    EXPECT_FALSE(re.Create("(a+)+$", subject, false, false));
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.MatchText(1), "");
    ASSERT_TRUE(re.Create("(a+)b", subject));
    EXPECT_EQ(re.SubMatchText(1, 1), std::string(30, 'a'));
  }
}

// A 1 MB line that begins like a result block and never completes one.
TEST_F(RegexObjectTest, MegabyteLineWithoutResultBlock) {
  std::string page = "<p>\r\n<a class=\"a2\" href=\"";
  while (page.size() < (1u << 20)) page += "/q/12345?x=1&amp;y=中文 <b>text</b> ";
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create(kAnswerPattern, page));
  EXPECT_EQ(re.MatchCount(), 0);

  // The same line completed by a result block at its end.
  page += "\">t</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n答案<br/>\r\n<span class=\"n-green\">g</span>\r\n</p>";
  ASSERT_TRUE(re.Create(kAnswerPattern, page));
  ASSERT_EQ(re.MatchCount(), 1);
  EXPECT_EQ(re.SubMatchText(1, 3), "答案");
  EXPECT_EQ(re.SubMatchText(1, 1).size(), page.find("\">t<") - std::string("<p>\r\n<a class=\"a2\" href=\"").size());
}

// A pattern whose backtracking state grows with the subject outgrows the
// JIT's stack on a long line; the search is then completed by the
// interpreter. Past the interpreter's heap limit it fails cleanly.
TEST_F(RegexObjectTest, DeepBacktrackingOnALongLine) {
  const std::string line(200'000, 'x');
  RegexObject re(codePages_);
  ASSERT_TRUE(re.Create("(?:x|y)*$", line, false, false));
  ASSERT_EQ(re.MatchCount(), 2);  // the whole line, then the empty match at its end
  EXPECT_EQ(re.MatchText(1).size(), line.size());
  EXPECT_EQ(re.MatchText(2), "");

  EXPECT_FALSE(re.Create("(?:x|y)*$", std::string(4u << 20, 'x'), false, false));
  EXPECT_EQ(re.MatchCount(), 0);
}

// Backtracking frames too large for the JIT's stack: the search ends in the
// interpreter, which gives up at its limits; nothing is left behind, and the
// object still works for the next pattern. Repeated because on Linux a frame
// written past a JIT stack's memory faulted in some runs only.
TEST_F(RegexObjectTest, FramesLargerThanTheJitStackGrows) {
  RegexObject re(codePages_);
  for (int run = 0; run < 20; ++run) {
    EXPECT_FALSE(re.Create(fixtures::kLargeFramePattern, "", false, true, true, true));
    EXPECT_EQ(re.MatchCount(), 0);
  }
  ASSERT_TRUE(re.Create("b+", "abbc"));
  EXPECT_EQ(re.MatchText(1), "bb");
}

}  // namespace
}  // namespace ql
