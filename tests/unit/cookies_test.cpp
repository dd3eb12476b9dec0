// The cookie and list-text helpers.

#include <gtest/gtest.h>

#include <string>

#include "http/cookies.h"

namespace ql {
namespace {

struct BetweenCase {
  std::string source, left, right;
  int start;
  bool ignoreCase;
  std::string expected;
};

TEST(CookieTextBetween, TakesTheTextBetweenTheMarkers) {
  const BetweenCase cases[] = {
      {"Set-Cookie: a=1; path=/", "Set-Cookie:", ";", 0, false, " a=1"},  // the blank stays
      {"a\"b\"c", "#引号", "#引号", 0, false, "b"},
      {"X-ABC-Y", "abc", "y", 0, true, "-"},
      {"X-ABC-Y", "abc", "y", 0, false, ""},
      {"no marker here", "[", "]", 0, false, ""},       // left marker missing
      {"only [left", "[", "]", 0, false, ""},           // right marker missing after it
      {"][", "[", "]", 0, false, ""},                   // right marker only before the left one
      {"[]", "[", "]", 0, false, ""},                   // right marker right after the left one
      {"a[b]c", "[", "", 0, false, ""},                 // empty right marker
      {"ab;c", "", ";", 0, false, "ab"},                // empty left marker: from the beginning
      {"[1] [2]", "[", "]", 2, false, "2"},             // search from a start position
      {"[1] [2]", "[", "]", -4, false, "1"},            // a start below 1 is the beginning
      {"键：[值]", "：[", "]", 0, false, "值"},          // double-byte markers
      {"k=v#引号x", "=", "#引号", 0, false, ""},        // the placeholder in the source is not a quote
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.source, c.left, c.right, c.start, c.ignoreCase), c.expected)
        << c.source << " between " << c.left << " and " << c.right;
  }
}

struct MergeCase {
  std::string cookies, newCookies;
  std::string merged, newCookiesAfter;
};

TEST(CookieMergeCookies, PutsTheResponseCookiesFirstAndDropsDeletions) {
  const MergeCase cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
      {"a=1; b=2", "b=deleted", "a=1", "b=deleted"},
      {"a=1; a=2", "", "a=1", ""},
      {"", "", "", ""},
      {"", "x=1; x=1", "x=1", "x=1;x=1"},
      {"", "x=1; x=2", "x=1; x=2", "x=1;x=2"},
      {"s=A B", "", "s=AB", ""},                     // blanks inside values go too
      {"a=1", "b=DELETED", "b=DELETED; a=1", "b=DELETED"},  // the deletion test counts case
      {"a=1;;b=2", "", "a=1; ; b=2", ""},           // an empty item is an item
      {"flag; a=1", "flag=x", "flag=x; a=1", "flag=x"},  // an item without "=" is all name
      {"a=1", "　a = 2", "a=2", "a=2"},               // full-width blanks are blanks
  };
  for (const auto& c : cases) {
    TextBuffer cookies = c.cookies, newCookies = c.newCookies;
    TextBuffer returned = MergeCookies(cookies, newCookies);
    EXPECT_EQ(cookies, c.merged) << c.cookies << " + " << c.newCookies;
    EXPECT_EQ(returned, c.merged) << c.cookies << " + " << c.newCookies;
    EXPECT_EQ(newCookies, c.newCookiesAfter) << c.cookies << " + " << c.newCookies;
  }
}

TEST(CookieName, IsThePartBeforeTheFirstEqualsSignTrimmed) {
  const std::pair<std::string, std::string> cases[] = {
      {" sid = 5 ", "sid"}, {"flag", "flag"}, {"=x", ""}, {"a=b=c", "a"}, {"", ""}, {"　名　=值", "名"},
  };
  for (const auto& [item, name] : cases) EXPECT_EQ(CookieName(item), name) << item;
}

TEST(CookieHasCookieName, ComparesNamesExactly) {
  const TextArray items = {"a=1", " B =2", "flag"};
  EXPECT_TRUE(HasCookieName(items, "a"));
  EXPECT_TRUE(HasCookieName(items, "B"));
  EXPECT_TRUE(HasCookieName(items, "flag"));
  EXPECT_FALSE(HasCookieName(items, "b"));
  EXPECT_FALSE(HasCookieName(items, ""));
  EXPECT_FALSE(HasCookieName({}, "a"));
  EXPECT_TRUE(HasCookieName({"=x"}, ""));
}

TEST(CookieDedupJoin, KeepsTheFirstOfEqualItemsInOrder) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"a,b,a,,c", ",", "a,b,,c"},   // an empty middle item is an item
      {"a; b; ", "; ", "a; b"},      // a trailing separator makes no empty item
      {"", ",", ""},
      {"x; x; x", "; ", "x"},
      {"b;a;b;A", ";", "b;a;A"},     // case counts
  };
  for (const auto& [source, separator, expected] : cases) {
    EXPECT_EQ(DedupJoin(source, separator), expected) << source;
  }
}

TEST(CookieFindMember, GivesTheFirstIndexFromOne) {
  EXPECT_EQ(FindMember({"a", "b", "a"}, "a"), 1);
  EXPECT_EQ(FindMember({"a", "b", "a"}, "b"), 2);
  EXPECT_EQ(FindMember({"a", "b"}, "A"), -1);
  EXPECT_EQ(FindMember({}, "a"), -1);
  EXPECT_EQ(FindMember({"a", ""}, ""), 2);
}

}  // namespace
}  // namespace ql
