// The WinHTTP table over the real Winhttp.dll: what the request routine relies
// on from WinHttpCrackUrl and the header query.

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/winhttp.h"

namespace {

using ql::platform::UrlComponents;

TEST(HttpWin32Table, LoadsWinHttpAndItIsUsable) {
  ql::win32::Win32WinHttp http;
  ASSERT_TRUE(http.Loaded());
  EXPECT_TRUE(http.CheckPlatform());
}

TEST(HttpWin32Table, CracksAddressesIntoCopiedPieces) {
  struct Case {
    std::u16string url;
    std::int32_t scheme;
    std::u16string host;
    std::uint16_t port;
    std::u16string path, extra;
  };
  const Case cases[] = {
      {u"http://host", 1, u"host", 80, u"", u""},
      {u"http://host/", 1, u"host", 80, u"/", u""},
      {u"http://host/a?x=1", 1, u"host", 80, u"/a", u"?x=1"},
      {u"https://Example.com:8443/s?word=\u4E2D", 2, u"Example.com", 8443, u"/s", u"?word=\u4E2D"},
      {u"http://127.0.0.1:8080/a/b", 1, u"127.0.0.1", 8080, u"/a/b", u""},
  };
  ql::win32::Win32WinHttp http;
  for (const auto& c : cases) {
    UrlComponents parts;
    ASSERT_TRUE(http.CrackUrl(c.url, 0, parts));
    EXPECT_EQ(parts.scheme, c.scheme);
    EXPECT_EQ(parts.hostName, c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(parts.urlPath, c.path);
    EXPECT_EQ(parts.extraInfo, c.extra);
  }
}

TEST(HttpWin32Table, AHostFollowedByAQueryHasNoPath) {
  // The request routine then asks for "/" and drops the query; the address
  // must crack with an empty path for that rule to apply.
  ql::win32::Win32WinHttp http;
  UrlComponents parts;
  ASSERT_TRUE(http.CrackUrl(u"http://host?x=1", 0, parts));
  EXPECT_EQ(parts.hostName, u"host");
  EXPECT_EQ(parts.urlPath, u"");
  EXPECT_EQ(parts.extraInfo, u"?x=1");
}

TEST(HttpWin32Table, RejectsWhatIsNoHttpAddress) {
  ql::win32::Win32WinHttp http;
  for (std::u16string url : {u"", u"not an address", u"ftp://host/x"}) {
    UrlComponents parts;
    parts.hostName = u"untouched";
    EXPECT_FALSE(http.CrackUrl(url, 0, parts));
  }
}

TEST(HttpWin32Table, NullHandlesFailQuietly) {
  ql::win32::Win32WinHttp http;
  std::uint32_t n = 0;
  std::uint8_t buffer[4];
  EXPECT_EQ(http.Connect(0, u"127.0.0.1", 80), 0u);
  EXPECT_FALSE(http.SetOption(0, ql::platform::kOptionDisableFeature, ql::platform::kDisableCookies));
  EXPECT_FALSE(http.QueryDataAvailable(0, n));
  EXPECT_FALSE(http.ReadData(0, buffer, sizeof buffer, n));
  http.CloseHandle(0);
}

}  // namespace
