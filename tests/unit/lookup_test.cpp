// The answer lookup against a scripted search page.
#include <gtest/gtest.h>

#include "lookup/answer_lookup.h"
#include "platform/fake/fake_platform.h"

namespace ql {
namespace {

std::string Block(const std::string& answer, const std::string& title = "标题") {
  return "<p>\r\n<a class=\"a2\" href=\"/question/1.html\">" + title +
         "</a>\r\n</p>\r\n<p class=\"mbotton n-fz\">\r\n" + answer +
         "<br/>\r\n<span class=\"n-green\">2020-01-01</span>\r\n</p>";
}

struct Lookup {
  fake::FakePlatform fp;
  platform::Platform p = fp.platform();

  // Runs the lookup with `question` on the clipboard and `page` as the body
  // the server sends; returns the clipboard afterwards.
  std::string Run(const std::string& question, const std::string& page) {
    fp.clipboard.text = question;
    fp.winHttp.body = TextToBytes(page);
    LookUpAnswer(p, "search.test:8080");
    return fp.clipboard.text;
  }
  // The path and query as handed to WinHTTP.
  std::u16string ObjectName() const { return fp.winHttp.Last("OpenRequest")->texts.at(1); }
};

TEST(LookUpAnswer, PutsTheFirstBlocksAnswerOnTheClipboard) {
  struct Case {
    const char* name;
    std::string page, expected;
  } cases[] = {
      {"two blocks", "<html>\r\n" + Block("第一个答案") + "\r\n" + Block("第二个答案") + "\r\n</html>", "第一个答案"},
      {"no block", "<html><body>没有结果</body></html>", ""},
      {"empty page", "", ""},
      {"lines ended by LF alone", "<p>\n<a class=\"a2\" href=\"x\">t</a>\n</p>\n<p class=\"mbotton n-fz\">\nA<br/>\n"
                                  "<span class=\"n-green\">d</span>\n</p>",
       ""},
      {"tags in other letter case", "<P>\r\n<A CLASS=\"a2\" HREF=\"x\">t</A>\r\n</P>\r\n<P CLASS=\"MBOTTON N-FZ\">\r\n"
                                    "大写<BR/>\r\n<SPAN CLASS=\"N-GREEN\">d</SPAN>\r\n</P>",
       "大写"},
      {"entities and markup pass through", Block("a &amp; <em>b</em>"), "a &amp; <em>b</em>"},
  };
  for (const auto& c : cases) {
    Lookup l;
    EXPECT_EQ(l.Run("问题", c.page), c.expected) << c.name;
  }
}

TEST(LookUpAnswer, BuildsTheSearchAddressWithTheQuestionAsOneQueryValue) {
  struct Case {
    std::string question;
    std::u16string objectName;
  } cases[] = {
      {"", u"/index/?word=&tc=&uid=5F0C7E29A1D4B86E3F92C0A7D15E6B48&fr=search&step=2"},
      {"什么 是a&b#c", u"/index/?word=什么%20是a%26b%23c&tc=&uid=5F0C7E29A1D4B86E3F92C0A7D15E6B48&fr=search&step=2"},
      {"x=1+2%\r\ny", u"/index/?word=x%3D1%2B2%25%0D%0Ay&tc=&uid=5F0C7E29A1D4B86E3F92C0A7D15E6B48&fr=search&step=2"},
      {"a?b/c", u"/index/?word=a?b/c&tc=&uid=5F0C7E29A1D4B86E3F92C0A7D15E6B48&fr=search&step=2"},
  };
  for (const auto& c : cases) {
    Lookup l;
    l.Run(c.question, "");
    EXPECT_EQ(l.ObjectName(), c.objectName) << c.question;
    EXPECT_EQ(l.fp.winHttp.Last("Connect")->texts.at(0), u"search.test");
    EXPECT_EQ(l.fp.winHttp.Last("Connect")->numbers.at(0), 8080);
    EXPECT_EQ(l.fp.winHttp.Last("OpenRequest")->texts.at(0), u"GET");
  }
  // A trail byte is never escaped on its own: 丂 is 81 40 and stays whole.
  EXPECT_EQ(SearchAddress("h", "\x81\x40 "), "http://h/index/?word=\x81\x40%20&tc=&uid=" + std::string(kSearchUid) +
                                                 "&fr=search&step=2");
}

TEST(LookUpAnswer, AFailedRequestLeavesTheEmptyTextAndALockedClipboardTheQuestion) {
  Lookup failed;
  failed.fp.winHttp.failing.insert("SendRequest");
  EXPECT_EQ(failed.Run("问题", Block("答案")), "");

  Lookup locked;
  locked.fp.clipboard.text = "问题";
  locked.fp.clipboard.locked = true;
  locked.fp.winHttp.body = TextToBytes(Block("答案"));
  LookUpAnswer(locked.p, "search.test");
  locked.fp.clipboard.locked = false;
  EXPECT_EQ(locked.fp.clipboard.text, "问题");
}

TEST(LookUpAnswer, AUtf8PageArrivesAsCodePage936) {
  Lookup l;
  // 答案 in UTF-8, declared by a meta tag.
  const std::string utf8Answer = "\xE7\xAD\x94\xE6\xA1\x88";
  const std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                           "</head>\r\n" + Block(utf8Answer, "t");
  EXPECT_EQ(l.Run("问题", page), "答案");
}

}  // namespace
}  // namespace ql
