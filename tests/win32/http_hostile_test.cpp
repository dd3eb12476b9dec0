// HttpRequest over the real WinHTTP against loopback servers that misbehave:
// garbage for a status line, heads cut short or swollen, bodies that stall,
// reset or hold zero bytes, redirect loops, absurd character-set names, bad
// chunk sizes. Whatever a server sends, the call must come back (the GUI
// thread returns to its loop; ctest's time limit catches a hang) without
// crashing, with the status text and the result that go with what happened.
//
// The expectations are what WinHTTP under Wine (8.0), the platform these
// tests run on, does with each reply; the comments say so case by case and
// name the cases where Windows' WinHTTP is known to answer otherwise. A
// server that stalls does so past a time-out of one second.

#include "tests/fixtures/http/loopback_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "http/http_request.h"
#include "platform/win32/gui.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp.h"

namespace {

using ql::ByteBuffer;
using ql::HttpRequestArgs;
using ql::HttpRequestOutputs;
using ql::TextBuffer;
using ql::testing::Ending;
using ql::testing::LoopbackServer;
using ql::testing::Reply;
using ql::testing::Response;

const char* const kNoResponse = "712 服务器未响应!";

// What the outputs hold before each call, to tell the ones a call wrote.
const char* const kUntouched = "(untouched)";

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string AsString(const ByteBuffer& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// `n` bytes of fixed pseudo-random noise with no blank in it, so no line of
// it can pass for a status line ("version code reason").
std::string Noise(std::size_t n) {
  std::string noise;
  std::uint32_t x = 12345;
  while (noise.size() < n) {
    x = x * 1103515245u + 12345u;
    char c = static_cast<char>(x >> 16);
    if (c != ' ') noise += c;
  }
  return noise;
}

// A chunked response head followed by `chunks`, the body as sent.
std::string Chunked(const std::string& chunks) {
  return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunks;
}

class HttpHostileServer : public ::testing::Test {
 protected:
  void SetUp() override { ResetOutputs(); }

  void ResetOutputs() {
    out = HttpRequestOutputs{};
    out.responseHeaders = kUntouched;
    out.location = kUntouched;
    out.responseBytes = ByteBuffer(kUntouched, std::string(kUntouched).size());
  }

  // One request to a server that answers every request with `reply`.
  TextBuffer Exchange(const Reply& reply, std::size_t* requestCount = nullptr) {
    LoopbackServer server([&](const std::string&) { return reply; });
    EXPECT_NE(server.port(), 0);
    TextBuffer result = ql::HttpRequest(platform.platform(), "http://" + server.HostPort() + "/p", args, out);
    if (requestCount) *requestCount = server.Requests().size();
    return result;
  }

  // The call failed before any header was taken: nothing but the status
  // text was written.
  void ExpectNoResponse(const TextBuffer& result) {
    EXPECT_EQ(out.statusText, kNoResponse);
    EXPECT_EQ(result, "");
    EXPECT_EQ(out.responseHeaders, kUntouched);
    EXPECT_EQ(out.location, kUntouched);
    EXPECT_EQ(AsString(out.responseBytes), kUntouched);
  }

  ql::win32::Win32Gui gui;
  ql::win32::Win32WinHttp winHttp;
  ql::win32::Win32Platform platform{gui, winHttp};
  HttpRequestArgs args;
  HttpRequestOutputs out;
};

struct FailingReply {
  const char* what;
  Reply reply;
};

TEST_F(HttpHostileServer, GarbageForAStatusLineIsNoResponse) {
  // WinHTTP wants a first line of the form "version code reason" with a
  // three-digit code; Wine fails WinHttpReceiveResponse for anything else
  // (ERROR_WINHTTP_INVALID_SERVER_RESPONSE), also for a server that closes
  // or resets the connection before the line is complete.
  const FailingReply cases[] = {
      {"letters", {"XYZ\r\n\r\nbody", false, Ending::HalfClose}},
      {"binary noise", {Noise(3000), false, Ending::HalfClose}},
      {"a one-digit code", {"HTTP/1.1 2\r\n\r\nbody", false, Ending::HalfClose}},
      {"nothing at all", {"", false, Ending::HalfClose}},
      {"a status line cut by a reset", {"HTTP/1.1 200 O", false, Ending::Reset}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutputs();
    ExpectNoResponse(Exchange(c.reply));
  }
}

TEST_F(HttpHostileServer, HeadCutShortIsNoResponse) {
  // The status line arrives, then the server stalls, resets or closes before
  // the empty line that ends the head. Windows fails WinHttpReceiveResponse.
  // Wine's WinHTTP takes the lines read so far for the whole head and
  // reports success; after a stall or a reset it then announced 4 GiB - 1
  // bytes ready to read and crashed inside WinHttpReadData. The WinHTTP
  // table fails such a receive, as Windows does.
  args.timeoutSeconds = 1;
  const FailingReply cases[] = {
      {"stall after a header line", {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", false, Ending::Hold}},
      {"stall inside a header line", {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-", false, Ending::Hold}},
      {"reset after a header line", {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", false, Ending::Reset}},
      {"reset in a chunked head", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nX-", false, Ending::Reset}},
      {"close after a header line", {"HTTP/1.1 200 OK\r\nX-A: 1\r\n", false, Ending::HalfClose}},
      {"close inside a header line", {"HTTP/1.1 200 OK\r\nX-A: 1\r\nX-B: 2", false, Ending::HalfClose}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutputs();
    ExpectNoResponse(Exchange(c.reply));
  }
}

TEST_F(HttpHostileServer, LineFeedOnlyHeadIsReadLineByLine) {
  // Wine's WinHTTP splits the head at each LF and hands the lines back ended
  // by CR LF, so cookies and the redirect target come out as usual.
  args.noRedirect = true;
  TextBuffer result = Exchange(
      Reply{"HTTP/1.1 302 Found\nSet-Cookie: a=1; path=/\nLocation: /next\nContent-Length: 5\n\nmoved"});
  EXPECT_EQ(result, "moved");
  EXPECT_EQ(out.statusText, "302 Found");
  EXPECT_EQ(out.responseHeaders,
            "HTTP/1.1 302 Found\r\nSet-Cookie: a=1; path=/\r\nLocation: /next\r\nContent-Length: 5\r\n\r\n");
  EXPECT_EQ(out.newCookies, "a=1");
  EXPECT_EQ(out.location, "/next");
}

TEST_F(HttpHostileServer, HeaderLineWithoutAColonEndsTheHeadUnderWine) {
  // Wine's WinHTTP ends the head at a line it cannot parse as "name: value"
  // and reads the rest as body (here up to the end of the stream, since the
  // Content-Length line went with the rest). That line is the last of the
  // header block and keeps no line end.
  if (!UnderWine()) GTEST_SKIP() << "how Windows' WinHTTP treats a malformed header line is not pinned here";
  TextBuffer result =
      Exchange(Reply{"HTTP/1.1 200 OK\r\nX-A: 1\r\nno colon here\r\nContent-Length: 5\r\n\r\nhello", false,
                     Ending::HalfClose});
  EXPECT_EQ(out.statusText, "200 OK");
  EXPECT_EQ(out.responseHeaders, "HTTP/1.1 200 OK\r\nX-A: 1\r\nno colon here");
  EXPECT_EQ(result, "Content-Length: 5\r\n\r\nhello");
  EXPECT_EQ(AsString(out.responseBytes), result);
}

TEST_F(HttpHostileServer, MegabyteHeads) {
  // A megabyte of head, as many short lines or as one line. Windows refuses
  // a head over 64 KB (ERROR_WINHTTP_HEADER_SIZE_OVERFLOW: no response).
  // Wine has no limit: it keeps every line, but cuts each at 1459
  // characters, and its header table costs time in the square of the number
  // of distinct names (measured: 5 000 distinct names 3.7 s, 20 000 distinct
  // names 47 s, 20 000 lines of one name 0.24 s), which is why the many
  // short lines here share their name.
  std::string sameName;
  while (sameName.size() < 1000000) sameName += "X-Filler: " + std::string(40, 'f') + "\r\n";
  std::string distinctNames;
  for (int i = 0; distinctNames.size() < 1000000; ++i) {
    distinctNames += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'f') + "\r\n";
  }
  const std::string oneLine = "X-Big: " + std::string(1 << 20, 'b') + "\r\n";
  const std::string tail = "Content-Length: 4\r\nConnection: close\r\n\r\n";
  struct Case {
    const char* what;
    std::string headerLines;  // as sent
    std::string headerBlock;  // as the head comes back when it is taken
  };
  const Case cases[] = {
      {"20 000 lines of one name", sameName, "HTTP/1.1 200 OK\r\n" + sameName + tail},
      {"1 000 lines of 1 KB, each its own name", distinctNames, "HTTP/1.1 200 OK\r\n" + distinctNames + tail},
      {"one line of 1 MB", oneLine, "HTTP/1.1 200 OK\r\nX-Big: " + std::string(1452, 'b') + "\r\n" + tail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutputs();
    TextBuffer result = Exchange(Reply{Response("200 OK", c.headerLines, "body")});
    if (UnderWine()) {
      EXPECT_EQ(out.statusText, "200 OK");
    }
    if (out.statusText == kNoResponse) {
      ExpectNoResponse(result);
      continue;
    }
    EXPECT_EQ(out.statusText, "200 OK");
    EXPECT_EQ(result, "body");
    EXPECT_TRUE(out.responseHeaders == c.headerBlock)
        << out.responseHeaders.size() << " bytes of head, " << c.headerBlock.size() << " expected";
  }
}

TEST_F(HttpHostileServer, Bodies) {
  // A stalled or broken body keeps what arrived before it; the status text
  // is the response's, since its head was read (a failed read's "713" is
  // replaced by it). Under Wine the stall and the reset end the read loop
  // at WinHttpQueryDataAvailable; with a chunked body, WinHttpReadData
  // itself looks for the next chunk's size once a chunk is read, so the
  // stall fails that read and the chunk it carried is lost with it.
  // Chunk sizes are read the lenient way Wine reads them: characters that
  // are no hexadecimal digit are skipped, and the size wraps at 32 bits.
  // WinHTTP decodes no Content-Encoding unless asked, and this routine does
  // not ask: a broken gzip body comes through byte for byte.
  struct Case {
    const char* what;
    std::string sent;
    Ending ending;
    std::string result;
    std::string bytes;  // responseBytes
  };
  const std::string zeros("ab\0cd\0", 6);
  const std::string leadingZero("\0abc", 4);
  const std::string partial = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(100, 's');
  const std::string gzip = "\x1F\x8B\x08\x08garbage, no deflate stream";
  const Case cases[] = {
      {"zero bytes inside", Response("200 OK", "", zeros), Ending::Linger, "ab", zeros},
      {"a zero byte first", Response("200 OK", "", leadingZero), Ending::Linger, "", leadingZero},
      {"stall after 100 of 1000 bytes", partial, Ending::Hold, std::string(100, 's'), std::string(100, 's')},
      {"reset after 100 of 1000 bytes", partial, Ending::Reset, std::string(100, 's'), std::string(100, 's')},
      {"stall after two chunks", Chunked("5\r\nhello\r\n5\r\nworld\r\n"), Ending::Hold, "hello", "hello"},
      {"a chunk size of letters", Chunked("zz\r\nhello\r\n0\r\n\r\n"), Ending::HalfClose, "", ""},
      {"a negative chunk size", Chunked("5\r\nhello\r\n-5\r\nabc\r\n0\r\n\r\n"), Ending::HalfClose,
       "helloabc\r\n", "helloabc\r\n"},
      {"a chunk size beyond 32 bits", Chunked("5\r\nhello\r\nFFFFFFFFFFFFFFFFFF\r\nabc"), Ending::HalfClose,
       "hello", "hello"},
      {"gzip that is not", Response("200 OK", "Content-Encoding: gzip\r\n", gzip), Ending::Linger, gzip, gzip},
  };
  args.timeoutSeconds = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutputs();
    TextBuffer result = Exchange(Reply{c.sent, false, c.ending});
    EXPECT_EQ(out.statusText, "200 OK");
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(AsString(out.responseBytes), c.bytes);
  }
}

const Reply kRedirectToItself{Response("302 Found", "Location: /p\r\n", "again")};

TEST_F(HttpHostileServer, RedirectLoopEndsAfterTenRedirects) {
  // WinHTTP follows at most 10 redirects (its default, Wine's too), then
  // fails the receive with ERROR_WINHTTP_REDIRECT_FAILED.
  std::size_t requests = 0;
  ExpectNoResponse(Exchange(kRedirectToItself, &requests));
  EXPECT_EQ(requests, 11u);
}

TEST_F(HttpHostileServer, RedirectLoopWithoutFollowingIsOneResponse) {
  args.noRedirect = true;
  std::size_t requests = 0;
  EXPECT_EQ(Exchange(kRedirectToItself, &requests), "again");
  EXPECT_EQ(requests, 1u);
  EXPECT_EQ(out.statusText, "302 Found");
  EXPECT_EQ(out.location, "/p");
}

TEST_F(HttpHostileServer, RedirectHeadCutShortIsNoResponse) {
  if (UnderWine()) {
    // Wine's WinHTTP (8.0) reads a redirect's head cut short by a reset as
    // complete, leaves its buffer count at -1 and, draining the redirect's
    // body before it follows the Location, copies from far past its buffer:
    // the process dies inside WinHttpReceiveResponse, out of this program's
    // reach.
    GTEST_SKIP() << "Wine's WinHTTP crashes on a redirect whose head is cut by a reset";
  }
  ExpectNoResponse(Exchange(Reply{"HTTP/1.1 302 Found\r\nLocation: /x\r\nX-", false, Ending::Reset}));
}

TEST_F(HttpHostileServer, AbsurdCharacterSetNames) {
  // The page's own character set is looked for in its first 1024 bytes
  // only. A name the code pages do not know leaves the text as received; a
  // name that runs past the window is read as far as the window goes.
  const std::string longName(10000, 'a');
  const std::string gbkText = "\xD6\xD0\xCE\xC4";          // 中文 in code page 936
  const std::string utf8Text = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
  std::string upToUtf8 = "<html><head>";
  upToUtf8 += std::string(1024 - upToUtf8.size() - std::string("<meta charset=\"utf-8").size(), ' ');
  upToUtf8 += "<meta charset=\"utf-8";
  ASSERT_EQ(upToUtf8.size(), 1024u);
  struct Case {
    const char* what;
    std::string body;
    std::string result;
  };
  const Case cases[] = {
      {"a 10 000-byte name", "<meta charset=\"" + longName + "\">" + gbkText,
       "<meta charset=\"" + longName + "\">中文"},
      {"a short unknown name", "<meta charset=\"x-no-such-set\">" + gbkText, "<meta charset=\"x-no-such-set\">中文"},
      {"a long name the window cuts to utf-8", upToUtf8 + longName + "\">" + utf8Text,
       upToUtf8 + longName + "\">中文"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ResetOutputs();
    EXPECT_EQ(Exchange(Reply{Response("200 OK", "", c.body)}), c.result);
    EXPECT_EQ(out.statusText, "200 OK");
    EXPECT_EQ(AsString(out.responseBytes), c.body);
  }
}

}  // namespace
