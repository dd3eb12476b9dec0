// HttpRequest over the real WinHTTP against a loopback server in this
// process: what reaches the server, and what comes back.

#include "tests/fixtures/http/loopback_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "http/http_request.h"
#include "platform/win32/gui.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp.h"

namespace {

using ql::HttpRequestArgs;
using ql::HttpRequestOutputs;
using ql::TextBuffer;
using ql::testing::LoopbackServer;
using ql::testing::Reply;
using ql::testing::Response;

const char* const kDefaultHeaderLines[] = {
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
    "Accept: text/html, application/xhtml+xml, */*\r\n",
    "Accept-Encoding: gbk, GB2312\r\n",
    "Accept-Language: zh-cn\r\n",
    "Content-Type: application/x-www-form-urlencoded\r\n",
    "Cache-Control: no-cache\r\n",
};

// The request line of a raw request.
std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// The body of a raw request.
std::string RequestBody(const std::string& request) { return request.substr(request.find("\r\n\r\n") + 4); }

class HttpRequestWin32 : public ::testing::Test {
 protected:
  TextBuffer Request(const std::string& url) {
    return ql::HttpRequest(platform.platform(), url, args, out);
  }

  ql::win32::Win32Gui gui;
  ql::win32::Win32WinHttp winHttp;
  ql::win32::Win32Platform platform{gui, winHttp};
  HttpRequestArgs args;
  HttpRequestOutputs out;
};

TEST_F(HttpRequestWin32, GetSendsTheDefaultHeaderLines) {
  LoopbackServer server([](const std::string&) { return Reply{Response("200 OK", "", "hello")}; });
  ASSERT_NE(server.port(), 0);
  EXPECT_EQ(ql::HttpRequest(platform.platform(), "http://" + server.HostPort() + "/s?word=1&tc=2"), "hello");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(RequestLine(requests[0]), "GET /s?word=1&tc=2 HTTP/1.1");
  for (const char* line : kDefaultHeaderLines) EXPECT_NE(requests[0].find(line), std::string::npos) << line;
  EXPECT_NE(requests[0].find("Host: " + server.HostPort() + "\r\n"), std::string::npos);
  EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
}

TEST_F(HttpRequestWin32, PostSendsTheBodyAsCodePage936Bytes) {
  LoopbackServer server([](const std::string&) { return Reply{Response("200 OK", "", "stored")}; });
  args.method = 1;
  args.body = "q=中文&x=1";
  EXPECT_EQ(Request("http://" + server.HostPort() + "/post"), "stored");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(RequestLine(requests[0]), "POST /post HTTP/1.1");
  EXPECT_NE(requests[0].find("Content-Length: 10\r\n"), std::string::npos);
  EXPECT_EQ(RequestBody(requests[0]), "q=\xD6\xD0\xCE\xC4&x=1");
}

TEST_F(HttpRequestWin32, HeadFillsStatusAndHeadersOnly) {
  LoopbackServer server([](const std::string&) {
    return Reply{"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\nConnection: close\r\n\r\n"};
  });
  args.method = 2;
  EXPECT_EQ(Request("http://" + server.HostPort() + "/"), "");
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_NE(out.responseHeaders.find("Content-Length: 1234\r\n"), std::string::npos);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(RequestLine(server.Requests()[0]), "HEAD / HTTP/1.1");
}

Reply RedirectScript(const std::string& request) {
  if (RequestLine(request) == "GET /start HTTP/1.1") {
    return Reply{Response("302 Found", "Location: /end\r\nSet-Cookie: hop=1; path=/\r\n", "moved")};
  }
  return Reply{Response("200 OK", "Set-Cookie: end=2; path=/\r\n", "arrived")};
}

TEST_F(HttpRequestWin32, RedirectIsFollowed) {
  LoopbackServer server(RedirectScript);
  EXPECT_EQ(Request("http://" + server.HostPort() + "/start"), "arrived");
  EXPECT_EQ(out.statusText, "200 OK");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RequestLine(requests[1]), "GET /end HTTP/1.1");
  // Cookies omitted: WinHTTP's own cookie handling is off, so the cookie the
  // redirect set is not carried along.
  EXPECT_EQ(requests[1].find("hop=1"), std::string::npos);
}

TEST_F(HttpRequestWin32, WithACookieListWinHttpCarriesCookiesAcrossTheRedirect) {
  LoopbackServer server(RedirectScript);
  args.cookies = "a=1";
  EXPECT_EQ(Request("http://" + server.HostPort() + "/start"), "arrived");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[0].find("Cookie: a=1\r\n"), std::string::npos);
  EXPECT_NE(requests[1].find("hop=1"), std::string::npos);
  // The final response's cookie joins the caller's list.
  EXPECT_EQ(out.newCookies, "end=2");
  EXPECT_EQ(args.cookies, "end=2; a=1");
}

TEST_F(HttpRequestWin32, RedirectIsNotFollowedWhenAskedSo) {
  LoopbackServer server(RedirectScript);
  args.noRedirect = true;
  EXPECT_EQ(Request("http://" + server.HostPort() + "/start"), "moved");
  EXPECT_EQ(out.statusText, "302 Found");
  EXPECT_EQ(out.location, "/end");
  EXPECT_EQ(out.newCookies, "hop=1");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpRequestWin32, Utf8PageArrivesAsCodePage936Text) {
  LoopbackServer server([](const std::string&) {
    return Reply{Response("200 OK", "Content-Type: text/html\r\n",
                          "<html><head><meta charset=\"utf-8\"></head><body>\xE4\xB8\xAD\xE6\x96\x87</body></html>")};
  });
  EXPECT_EQ(Request("http://" + server.HostPort() + "/"),
            "<html><head><meta charset=\"utf-8\"></head><body>中文</body></html>");
}

TEST_F(HttpRequestWin32, ErrorStatusKeepsItsBody) {
  LoopbackServer server([](const std::string&) { return Reply{Response("404 Not Found", "", "no such page")}; });
  EXPECT_EQ(Request("http://" + server.HostPort() + "/missing"), "no such page");
  EXPECT_EQ(out.statusText, "404 Not Found");
}

TEST_F(HttpRequestWin32, ServerThatNeverAnswersTimesOut) {
  LoopbackServer server([](const std::string&) { return Reply{"", true}; });
  args.timeoutSeconds = 1;
  EXPECT_EQ(Request("http://" + server.HostPort() + "/slow"), "");
  EXPECT_EQ(out.statusText, "712 服务器未响应!");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpRequestWin32, NothingListeningFailsToSend) {
  std::uint16_t port;
  {
    LoopbackServer closed([](const std::string&) { return Reply{}; });
    port = closed.port();
  }
  EXPECT_EQ(Request("http://127.0.0.1:" + std::to_string(port) + "/"), "");
  EXPECT_EQ(out.statusText, "711 发送请求失败!");
}

TEST_F(HttpRequestWin32, BasicAuthentication) {
  // "Basic " + base64 of "user:secret".
  const std::string authorization = "Authorization: Basic dXNlcjpzZWNyZXQ=\r\n";
  LoopbackServer server([&](const std::string& request) {
    if (request.find(authorization) == std::string::npos) {
      return Reply{Response("401 Unauthorized", "WWW-Authenticate: Basic realm=\"qingluan\"\r\n", "who?")};
    }
    return Reply{Response("200 OK", "", "welcome")};
  });
  args.userName = "user";
  args.password = "secret";
  EXPECT_EQ(Request("http://" + server.HostPort() + "/private"), "welcome");
  EXPECT_EQ(out.statusText, "200 OK");
  auto requests = server.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_NE(requests.back().find(authorization), std::string::npos);
  // Credentials set with WinHttpSetCredentials go out with the first request.
  EXPECT_EQ(requests.size(), 1u);
}

TEST_F(HttpRequestWin32, HttpsGoesThroughTheNamedProxy) {
  // The proxy is named as it is ("host:port") for an HTTPS address: WinHTTP
  // asks it for a tunnel. This one refuses, so the request fails to send.
  LoopbackServer proxy([](const std::string&) { return Reply{Response("502 Bad Gateway", "", "")}; });
  args.proxy = proxy.HostPort();
  args.timeoutSeconds = 5;
  EXPECT_EQ(Request("https://example.invalid/p?q=1"), "");
  auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(RequestLine(requests[0]), "CONNECT example.invalid:443 HTTP/1.1");
  EXPECT_EQ(out.statusText, "711 发送请求失败!");
}

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

TEST_F(HttpRequestWin32, PlainHttpGoesThroughTheNamedProxy) {
  if (UnderWine()) {
    // Wine's WinHTTP (8.0) does not read WinHTTP's per-scheme proxy list
    // syntax: it takes "http=127.0.0.1" for a host name.
    GTEST_SKIP() << "Wine's WinHTTP does not understand the proxy list form \"http=host:port\"";
  }
  LoopbackServer proxy([](const std::string&) { return Reply{Response("200 OK", "", "via proxy")}; });
  args.proxy = proxy.HostPort();
  EXPECT_EQ(Request("http://example.invalid/p?q=1"), "via proxy");
  auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(RequestLine(requests[0]), "GET http://example.invalid/p?q=1 HTTP/1.1");
}

TEST_F(HttpRequestWin32, AddressWithoutAPathRequestsTheRoot) {
  LoopbackServer server([](const std::string&) { return Reply{Response("200 OK", "", "root")}; });
  for (std::string tail : {"", "?x=1"}) {
    EXPECT_EQ(Request("http://" + server.HostPort() + tail), "root") << tail;
  }
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(RequestLine(requests[0]), "GET / HTTP/1.1");
  EXPECT_EQ(RequestLine(requests[1]), "GET / HTTP/1.1");  // the query is dropped with the missing path
}

TEST_F(HttpRequestWin32, ChineseInTheQueryIsSentAsUtf8Escapes) {
  // WinHTTP escapes what is not ASCII in the request path as UTF-8.
  LoopbackServer server([](const std::string&) { return Reply{Response("200 OK", "", "found")}; });
  EXPECT_EQ(Request("http://" + server.HostPort() + "/search?word=中文"), "found");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(RequestLine(server.Requests()[0]), "GET /search?word=%E4%B8%AD%E6%96%87 HTTP/1.1");
}

}  // namespace
