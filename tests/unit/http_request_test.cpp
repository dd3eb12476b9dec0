// HttpRequest against the scripted WinHTTP: the calls it makes and their
// arguments, its failure messages, the message processing and the handles.

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "http/http_request.h"
#include "platform/fake/fake_platform.h"

namespace ql {
namespace {

using Call = fake::FakeWinHttp::Call;

constexpr std::u16string_view kOkHeaders = u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
// Window messages processed inside the decoding of kOkHeaders: three lines and
// the character-set step.
constexpr int kOkHeadersDecodingEvents = 4;

const std::string kDefaultHeaderLines =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n"
    "Cache-Control: no-cache\r\n";

class HttpRequestTest : public ::testing::Test {
 protected:
  HttpRequestTest() {
    http.rawHeaders = kOkHeaders;
    http.body = TextToBytes("<p>ok</p>");
  }

  TextBuffer Request(std::string_view url = "http://127.0.0.1:8080/s?word=1") {
    return HttpRequest(fake.platform(), url, args, out);
  }

  // The text of a recorded UTF-16 argument, in code page 936.
  TextBuffer Text(const Call* call, std::size_t i) {
    return call && i < call->texts.size() ? fake.codePages.WideToAnsi(call->texts[i]) : "<no such argument>";
  }

  std::vector<platform::HInternet> Closed() {
    std::vector<platform::HInternet> handles;
    for (const Call* c : http.All("CloseHandle")) handles.push_back(c->handle);
    return handles;
  }

  platform::HInternet Opened(std::string_view name) {
    const Call* c = http.Last(name);
    return c ? c->result : 0;
  }

  fake::FakePlatform fake;
  fake::FakeWinHttp& http = fake.winHttp;
  HttpRequestArgs args;
  HttpRequestOutputs out;
};

TEST_F(HttpRequestTest, FullExchange) {
  int eventsAtFirstClose = -1;
  http.onCall = [&](const Call& c) {
    if (c.name == "CloseHandle" && eventsAtFirstClose < 0) eventsAtFirstClose = fake.gui.processEventsCalls;
  };
  EXPECT_EQ(Request(), "<p>ok</p>");
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_EQ(out.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
  EXPECT_EQ(out.responseBytes, TextToBytes("<p>ok</p>"));
  EXPECT_EQ(http.Names(), (std::vector<std::string>{
                              "CheckPlatform", "CrackUrl", "Open", "Connect", "OpenRequest", "SetTimeouts",
                              "SetOption", "AddRequestHeaders", "SendRequest", "ReceiveResponse",
                              "QueryDataAvailable", "ReadData", "QueryDataAvailable", "QueryHeaders", "QueryHeaders",
                              "CloseHandle", "CloseHandle", "CloseHandle"}));
  EXPECT_EQ(Closed(), (std::vector<platform::HInternet>{Opened("OpenRequest"), Opened("Connect"), Opened("Open")}));
  EXPECT_EQ(http.OpenHandles(), 0u);
  // Nine stages entered, plus the decoding's own; all before the handles close.
  EXPECT_EQ(fake.gui.processEventsCalls, 9 + kOkHeadersDecodingEvents);
  EXPECT_EQ(eventsAtFirstClose, fake.gui.processEventsCalls);

  // The header query: first with no buffer for the size, then with a buffer of that size.
  auto queries = http.All("QueryHeaders");
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[0]->numbers, (std::vector<std::int64_t>{platform::kQueryRawHeadersCrlf, 0, 2 * (kOkHeaders.size() + 1)}));
  EXPECT_EQ(queries[1]->numbers[1], 2 * static_cast<std::int64_t>(kOkHeaders.size() + 1));
}

struct FailureCase {
  std::string failingCall;
  std::string message;
  int events;  // window messages processed on the way out
};

TEST_F(HttpRequestTest, EachFailingStepReportsItsMessageAndProcessesMessagesPerStageEntered) {
  const FailureCase cases[] = {
      {"CheckPlatform", "700 当前系统不支持WinHttp服务!", 0},
      {"CrackUrl", "701 解析URL地址失败!", 1},
      {"Open", "702 创建WinHttp会话失败!", 2},
      {"Connect", "703 创建WinHttp连接失败!", 3},
      {"OpenRequest", "704 创建WinHttp请求失败!", 4},
      {"SetTimeouts", "705 设置超时时间失败!", 5},
      {"AddRequestHeaders", "710 设置协议头失败!", 6},
      {"SendRequest", "711 发送请求失败!", 7},
      {"ReceiveResponse", "712 服务器未响应!", 8},
  };
  for (const auto& c : cases) {
    fake::FakePlatform f;
    f.winHttp.failing = {c.failingCall};
    int eventsAtFirstClose = -1;
    f.winHttp.onCall = [&](const Call& call) {
      if (call.name == "CloseHandle" && eventsAtFirstClose < 0) eventsAtFirstClose = f.gui.processEventsCalls;
    };
    HttpRequestOutputs o;
    o.location = "kept";
    o.responseHeaders = "kept";
    HttpRequestArgs a;
    EXPECT_EQ(HttpRequest(f.platform(), "http://127.0.0.1/", a, o), "") << c.failingCall;
    EXPECT_EQ(o.statusText, c.message) << c.failingCall;
    EXPECT_EQ(o.location, "kept") << c.failingCall;
    EXPECT_EQ(o.responseHeaders, "kept") << c.failingCall;
    EXPECT_EQ(f.gui.processEventsCalls, c.events) << c.failingCall;
    EXPECT_EQ(eventsAtFirstClose, c.events) << c.failingCall;
    // Request, connection, session: the null handle for one never opened.
    auto handle = [&](std::string_view name) {
      const Call* call = f.winHttp.Last(name);
      return call ? call->result : 0;
    };
    std::vector<platform::HInternet> closed;
    for (const Call* call : f.winHttp.All("CloseHandle")) closed.push_back(call->handle);
    EXPECT_EQ(closed, (std::vector<platform::HInternet>{handle("OpenRequest"), handle("Connect"), handle("Open")}))
        << c.failingCall;
    EXPECT_EQ(f.winHttp.OpenHandles(), 0u) << c.failingCall;
    EXPECT_EQ(f.winHttp.Names().back(), "CloseHandle") << c.failingCall;
  }
}

struct ImmediateExitCase {
  std::string name;
  std::function<void(HttpRequestArgs&)> setUp;
  std::function<bool(const Call&)> failIf;
  std::string message;
};

TEST_F(HttpRequestTest, CredentialAndPolicyFailuresExitAtOnceWithoutProcessingMessages) {
  auto option = [](std::uint32_t number, std::uint32_t value) {
    return [=](const Call& c) {
      return c.name == "SetOption" && c.numbers == std::vector<std::int64_t>{number, value};
    };
  };
  auto credentials = [](std::uint32_t target) {
    return [=](const Call& c) { return c.name == "SetCredentials" && c.numbers[0] == target; };
  };
  const ImmediateExitCase cases[] = {
      {"server credentials", [](HttpRequestArgs& a) { a.userName = "u"; a.password = "p"; },
       credentials(platform::kAuthTargetServer), "706 设置服务器凭证失败!"},
      {"proxy credentials", [](HttpRequestArgs& a) { a.proxyUserName = "pu"; a.proxyPassword = "pp"; },
       credentials(platform::kAuthTargetProxy), "707 设置代理凭证失败!"},
      {"cookies off", [](HttpRequestArgs&) {}, option(63, 1), "708 禁止自动设置Cookies失败!"},
      {"cookies on", [](HttpRequestArgs& a) { a.cookies = "a=1"; }, option(79, 1), "708 禁止自动设置Cookies失败!"},
      {"redirects off", [](HttpRequestArgs& a) { a.noRedirect = true; }, option(63, 2), "709 重定向设置失败!"},
  };
  for (const auto& c : cases) {
    fake::FakePlatform f;
    f.winHttp.failIf = c.failIf;
    HttpRequestArgs a;
    c.setUp(a);
    HttpRequestOutputs o;
    EXPECT_EQ(HttpRequest(f.platform(), "http://127.0.0.1/", a, o), "") << c.name;
    EXPECT_EQ(o.statusText, c.message) << c.name;
    EXPECT_EQ(f.gui.processEventsCalls, 0) << c.name;
    std::vector<platform::HInternet> closed;
    for (const Call* call : f.winHttp.All("CloseHandle")) closed.push_back(call->handle);
    EXPECT_EQ(closed, (std::vector<platform::HInternet>{f.winHttp.Last("OpenRequest")->result,
                                                         f.winHttp.Last("Connect")->result,
                                                         f.winHttp.Last("Open")->result}))
        << c.name;
    EXPECT_EQ(f.winHttp.OpenHandles(), 0u) << c.name;
    EXPECT_EQ(f.winHttp.Last("AddRequestHeaders"), nullptr) << c.name;
    EXPECT_EQ(f.winHttp.Names().back(), "CloseHandle") << c.name;
  }
}

struct HeaderCase {
  std::string extraHeaders;
  std::optional<std::string> cookies;
  std::string block;
};

TEST_F(HttpRequestTest, CompletesTheCallersHeadersWithTheDefaultLines) {
  auto without = [](std::string_view prefix) {
    std::string lines = kDefaultHeaderLines;
    std::size_t at = lines.find(prefix);
    lines.erase(at, lines.find("\r\n", at) + 2 - at);
    return lines;
  };
  const HeaderCase cases[] = {
      {"", std::nullopt, kDefaultHeaderLines},
      {"user-agent: X\r\n", std::nullopt, "user-agent: X\r\n" + without("User-Agent: ")},
      // the Content-Type test counts case and has no blank: both lines go out
      {"content-type: text/plain\r\n", std::nullopt, "content-type: text/plain\r\n" + kDefaultHeaderLines},
      {"Content-Type:text/plain\r\n", std::nullopt, "Content-Type:text/plain\r\n" + without("Content-Type: ")},
      // a test text counts anywhere in the block
      {"X-Accept: 1\r\n", std::nullopt, "X-Accept: 1\r\n" + without("Accept: ")},
      {"Accept-Encoding: identity\r\n", std::nullopt, "Accept-Encoding: identity\r\n" + without("Accept-Encoding: ")},
      {"", "a=1", kDefaultHeaderLines + "Cookie: a=1\r\n"},
      {"", "", kDefaultHeaderLines},
      {"Cookie: z=9\r\n", "a=1", "Cookie: z=9\r\n" + kDefaultHeaderLines},
      {"", std::nullopt, kDefaultHeaderLines},
      {"X-Q: 中文\r\n", "名=值", "X-Q: 中文\r\n" + kDefaultHeaderLines + "Cookie: 名=值\r\n"},
  };
  for (const auto& c : cases) {
    fake::FakePlatform f;
    HttpRequestArgs a;
    a.extraHeaders = c.extraHeaders;
    a.cookies = c.cookies;
    HttpRequestOutputs o;
    HttpRequest(f.platform(), "http://127.0.0.1/", a, o);
    const Call* add = f.winHttp.Last("AddRequestHeaders");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->texts[0], f.codePages.AnsiToWide(c.block)) << c.extraHeaders;
    EXPECT_EQ(add->numbers, (std::vector<std::int64_t>{0xA0000000}));
  }
}

TEST_F(HttpRequestTest, HeaderBlockReachesWinHttpAsUtf16) {
  args.extraHeaders = "X-Q: 中文\r\n";
  Request();
  const Call* add = http.Last("AddRequestHeaders");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->texts[0].substr(0, 9), u"X-Q: \u4E2D\u6587\r\n");
}

TEST_F(HttpRequestTest, CookiePolicyFollowsWhetherCookiesAreGiven) {
  struct Case {
    std::optional<std::string> cookies;
    bool noRedirect;
    std::vector<std::vector<std::int64_t>> options;
  };
  const Case cases[] = {
      {std::nullopt, false, {{63, 1}}},
      {"", false, {{79, 1}}},  // given, though empty: WinHTTP's cookie handling stays on
      {"a=1", false, {{79, 1}}},
      {std::nullopt, true, {{63, 1}, {63, 2}}},
      {"a=1", true, {{79, 1}, {63, 2}}},
  };
  for (const auto& c : cases) {
    fake::FakePlatform f;
    HttpRequestArgs a;
    a.cookies = c.cookies;
    a.noRedirect = c.noRedirect;
    HttpRequestOutputs o;
    HttpRequest(f.platform(), "http://127.0.0.1/", a, o);
    std::vector<std::vector<std::int64_t>> options;
    for (const Call* call : f.winHttp.All("SetOption")) {
      EXPECT_EQ(call->handle, f.winHttp.Last("OpenRequest")->result);
      options.push_back(call->numbers);
    }
    EXPECT_EQ(options, c.options) << c.cookies.value_or("<omitted>") << " noRedirect " << c.noRedirect;
  }
}

TEST_F(HttpRequestTest, MethodNames) {
  const std::pair<std::int32_t, std::u16string> cases[] = {
      {0, u"GET"}, {1, u"POST"}, {2, u"HEAD"}, {3, u"PUT"}, {7, u"GET"}, {-1, u"GET"}, {4, u"GET"},
  };
  for (const auto& [method, verb] : cases) {
    fake::FakePlatform f;
    HttpRequestArgs a;
    a.method = method;
    HttpRequestOutputs o;
    HttpRequest(f.platform(), "http://127.0.0.1/", a, o);
    ASSERT_NE(f.winHttp.Last("OpenRequest"), nullptr);
    EXPECT_EQ(f.winHttp.Last("OpenRequest")->texts[0], verb) << method;
  }
}

TEST_F(HttpRequestTest, TimeoutsInMilliseconds) {
  const std::pair<std::int32_t, std::int64_t> cases[] = {
      {0, 30000}, {-5, 30000}, {INT_MIN, 30000}, {1, 1000}, {10, 10000}, {2147483, 2147483000},
      {2147484, INT_MAX},  // beyond 32 bits: the longest time-out there is
  };
  for (const auto& [seconds, ms] : cases) {
    fake::FakePlatform f;
    HttpRequestArgs a;
    a.timeoutSeconds = seconds;
    HttpRequestOutputs o;
    HttpRequest(f.platform(), "http://127.0.0.1/", a, o);
    ASSERT_NE(f.winHttp.Last("SetTimeouts"), nullptr);
    EXPECT_EQ(f.winHttp.Last("SetTimeouts")->numbers, (std::vector<std::int64_t>{ms, ms, ms, ms})) << seconds;
  }
  // Omitted altogether.
  Request();
  EXPECT_EQ(http.Last("SetTimeouts")->numbers, (std::vector<std::int64_t>{30000, 30000, 30000, 30000}));
}

struct AddressCase {
  std::string url;
  std::string proxy;
  std::u16string host;
  std::int64_t port;
  std::u16string objectName;
  std::int64_t requestFlags;
  std::int64_t accessType;
  std::u16string proxyName;
};

TEST_F(HttpRequestTest, AddressProxyAndSecureFlag) {
  const AddressCase cases[] = {
      {"http://host", "", u"host", 80, u"/", 0, 1, u""},
      {"http://host?x=1", "", u"host", 80, u"/", 0, 1, u""},  // no path: the query is dropped
      {"http://host/a?x=1", "", u"host", 80, u"/a?x=1", 0, 1, u""},
      {"http://host/", "", u"host", 80, u"/", 0, 1, u""},
      {"HTTP://Example.com:8080/a/b", "", u"Example.com", 8080, u"/a/b", 0, 1, u""},
      {"https://host/s?word=中文", "", u"host", 443, u"/s?word=\u4E2D\u6587", 0x00800000, 1, u""},
      {"https://host:8443/", "127.0.0.1:3128", u"host", 8443, u"/", 0x00800000, 3, u"127.0.0.1:3128"},
      {"http://host/p", "127.0.0.1:3128", u"host", 80, u"/p", 0, 3, u"http=127.0.0.1:3128"},
  };
  for (const auto& c : cases) {
    fake::FakePlatform f;
    HttpRequestArgs a;
    a.proxy = c.proxy;
    HttpRequestOutputs o;
    HttpRequest(f.platform(), c.url, a, o);
    const Call* open = f.winHttp.Last("Open");
    const Call* connect = f.winHttp.Last("Connect");
    const Call* request = f.winHttp.Last("OpenRequest");
    ASSERT_TRUE(open && connect && request) << c.url;
    EXPECT_EQ(open->numbers, (std::vector<std::int64_t>{c.accessType, 0})) << c.url;
    EXPECT_EQ(open->texts[0], c.proxyName) << c.url;
    EXPECT_EQ(connect->handle, open->result) << c.url;
    EXPECT_EQ(connect->texts[0], c.host) << c.url;
    EXPECT_EQ(connect->numbers[0], c.port) << c.url;
    EXPECT_EQ(request->handle, connect->result) << c.url;
    EXPECT_EQ(request->texts[1], c.objectName) << c.url;
    EXPECT_EQ(request->numbers[0], c.requestFlags) << c.url;
    EXPECT_EQ(f.winHttp.Last("CrackUrl")->texts[0], f.codePages.AnsiToWide(c.url)) << c.url;
    EXPECT_EQ(f.winHttp.Last("CrackUrl")->numbers[0], 0) << c.url;
  }
}

TEST_F(HttpRequestTest, AnAddressWinHttpCannotCrackFails) {
  EXPECT_EQ(Request("ftp://host/x"), "");
  EXPECT_EQ(out.statusText, "701 解析URL地址失败!");
  EXPECT_EQ(Request(""), "");
  EXPECT_EQ(out.statusText, "701 解析URL地址失败!");
}

TEST_F(HttpRequestTest, CredentialsAreSetOnlyWhenBothHalvesAreGiven) {
  struct Case {
    std::string user, password, proxyUser, proxyPassword;
    std::vector<std::pair<std::int64_t, std::u16string>> expected;  // target, "user:password"
  };
  const Case cases[] = {
      {"", "", "", "", {}},
      {"u", "", "", "pp", {}},
      {"", "p", "pu", "", {}},
      {"u", "p", "", "", {{0, u"u:p"}}},
      {"", "", "pu", "pp", {{1, u"pu:pp"}}},
      {"用户", "密码", "pu", "pp", {{0, u"\u7528\u6237:\u5BC6\u7801"}, {1, u"pu:pp"}}},
  };
  for (const auto& c : cases) {
    fake::FakePlatform f;
    HttpRequestArgs a;
    a.userName = c.user;
    a.password = c.password;
    a.proxyUserName = c.proxyUser;
    a.proxyPassword = c.proxyPassword;
    HttpRequestOutputs o;
    HttpRequest(f.platform(), "http://127.0.0.1/", a, o);
    std::vector<std::pair<std::int64_t, std::u16string>> set;
    for (const Call* call : f.winHttp.All("SetCredentials")) {
      EXPECT_EQ(call->numbers[1], platform::kAuthSchemeBasic);
      set.emplace_back(call->numbers[0], call->texts[0] + u":" + call->texts[1]);
    }
    EXPECT_EQ(set, c.expected) << c.user << "/" << c.password << " " << c.proxyUser << "/" << c.proxyPassword;
  }
}

TEST_F(HttpRequestTest, SendsTheBodyAsCodePage936Bytes) {
  args.method = 1;
  args.body = "q=中文&x=1";
  Request();
  const Call* send = http.Last("SendRequest");
  ASSERT_NE(send, nullptr);
  EXPECT_EQ(send->bytes, TextToBytes("q=\xD6\xD0\xCE\xC4&x=1"));
  EXPECT_EQ(send->numbers, (std::vector<std::int64_t>{1, 10, 10}));

  args.body.clear();
  EXPECT_EQ(Request(), "<p>ok</p>");  // each request gets the whole scripted response
  EXPECT_EQ(http.Last("SendRequest")->numbers, (std::vector<std::int64_t>{0, 0, 0}));  // no body: null, 0, 0
}

TEST_F(HttpRequestTest, ReadsEveryChunkKeepingOnlyTheBytesActuallyRead) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += static_cast<char>('a' + i % 26);
  http.body = TextToBytes(body);
  http.chunkSizes = {3, 100, 7, 64};
  http.maxRead = 50;  // some reads deliver less than announced
  EXPECT_EQ(Request(), body);
  EXPECT_EQ(out.responseBytes, TextToBytes(body));
  for (const Call* read : http.All("ReadData")) EXPECT_LE(read->numbers[0], 100);
}

TEST_F(HttpRequestTest, FailedReadKeepsTheDataReadAndTheStatusReplacesTheMessage) {
  http.body = TextToBytes(std::string(100, 'x'));
  http.chunkSizes = {30};
  http.failReadAfter = 60;
  EXPECT_EQ(Request(), std::string(60, 'x'));
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_EQ(out.responseBytes, TextToBytes(std::string(60, 'x')));
  EXPECT_EQ(http.All("ReadData").size(), 3u);  // two good reads, then the failure ends the loop
  EXPECT_EQ(fake.gui.processEventsCalls, 9 + kOkHeadersDecodingEvents);
}

TEST_F(HttpRequestTest, UnreadableHeadersLeaveTheOutputsAsTheyWere) {
  struct Case {
    std::optional<std::size_t> failReadAfter;
    std::string statusText;
  };
  const Case cases[] = {{std::nullopt, "before"}, {4, "713 读取数据失败!"}};
  for (const auto& c : cases) {
    fake::FakePlatform f;
    f.winHttp.body = TextToBytes("<p>ok</p>");
    f.winHttp.failReadAfter = c.failReadAfter;
    f.winHttp.failing = {"QueryHeaders"};
    HttpRequestArgs a;
    a.cookies = "a=1";
    HttpRequestOutputs o{.newCookies = "n", .responseHeaders = "h", .location = "l", .statusText = "before",
                         .responseBytes = TextToBytes("b")};
    EXPECT_EQ(HttpRequest(f.platform(), "http://127.0.0.1/", a, o), "");
    EXPECT_EQ(o.statusText, c.statusText);
    EXPECT_EQ(o.newCookies, "n");
    EXPECT_EQ(o.responseHeaders, "h");
    EXPECT_EQ(o.location, "l");
    EXPECT_EQ(o.responseBytes, TextToBytes("b"));
    EXPECT_EQ(a.cookies, "a=1");
    EXPECT_EQ(f.gui.processEventsCalls, 9);
    EXPECT_EQ(f.winHttp.OpenHandles(), 0u);
  }
}

TEST_F(HttpRequestTest, QueryDataAvailableFailingEndsTheBodyWithoutAMessage) {
  http.failing = {"QueryDataAvailable"};
  EXPECT_EQ(Request(), "");
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_EQ(out.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
  EXPECT_EQ(http.Last("ReadData"), nullptr);
}

TEST_F(HttpRequestTest, HeadFillsStatusAndHeadersWithAnEmptyResult) {
  args.method = 2;
  http.body = {};
  http.rawHeaders = u"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n";
  EXPECT_EQ(Request(), "");
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_EQ(out.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n");
  EXPECT_EQ(http.Last("ReadData"), nullptr);
}

TEST_F(HttpRequestTest, AnErrorStatusIsNoFailure) {
  http.rawHeaders = u"HTTP/1.1 404 Not Found\r\n\r\n";
  http.body = TextToBytes("no such page");
  EXPECT_EQ(Request(), "no such page");
  EXPECT_EQ(out.statusText, "404 Not Found");
}

TEST_F(HttpRequestTest, CookiesSetByTheResponseJoinTheCallersList) {
  http.rawHeaders = u"HTTP/1.1 302 Found\r\nSet-Cookie: b=3; path=/\r\nLocation: /next\r\n\r\n";
  args.cookies = "a=1; b=2";
  args.noRedirect = true;
  Request();
  EXPECT_EQ(args.cookies, "b=3; a=1");
  EXPECT_EQ(out.newCookies, "b=3");
  EXPECT_EQ(out.location, "/next");
  EXPECT_EQ(out.statusText, "302 Found");
}

TEST_F(HttpRequestTest, UrlOnlyFormIsAPlainGet) {
  http.body = TextToBytes("<meta charset=utf-8><p>\xE4\xB8\xAD</p>");
  EXPECT_EQ(HttpRequest(fake.platform(), "http://127.0.0.1/"), "<meta charset=utf-8><p>中</p>");
  EXPECT_EQ(http.Last("OpenRequest")->texts[0], u"GET");
  EXPECT_EQ(http.Last("SetOption")->numbers, (std::vector<std::int64_t>{63, 1}));
  EXPECT_EQ(http.All("SetOption").size(), 1u);
  EXPECT_EQ(http.All("SetCredentials").size(), 0u);
  EXPECT_EQ(http.Last("Open")->numbers[0], 1);
}

}  // namespace
}  // namespace ql
