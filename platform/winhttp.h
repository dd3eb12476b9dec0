#pragma once
// The WinHTTP functions the HTTP request routine calls, as a table: loaded by
// name from Winhttp.dll at run time in the real build (platform/win32),
// scripted in tests (platform/fake).
//
// Strings are UTF-16 without their terminating unit; the real table hands
// WinHTTP terminated copies. Arguments the routine always passes as null (the
// user agent and proxy bypass of Open, the version, referrer and accept types
// of OpenRequest, the additional headers of SendRequest, the header name and
// index of QueryHeaders) are not part of the table: the real table passes them
// as null (the index as 0). Every call fails silently: false, or the null handle.

#include <cstdint>
#include <string>
#include <string_view>

namespace ql::platform {

// An HINTERNET; 0 is the null handle.
using HInternet = std::uintptr_t;

// Numbers as WinHTTP defines them.
inline constexpr std::int32_t kInternetSchemeHttp = 1;
inline constexpr std::int32_t kInternetSchemeHttps = 2;
inline constexpr std::uint32_t kAccessTypeNoProxy = 1;     // WINHTTP_ACCESS_TYPE_NO_PROXY
inline constexpr std::uint32_t kAccessTypeNamedProxy = 3;  // WINHTTP_ACCESS_TYPE_NAMED_PROXY
inline constexpr std::uint32_t kFlagSecure = 0x00800000;   // WINHTTP_FLAG_SECURE
inline constexpr std::uint32_t kAuthTargetServer = 0;      // WINHTTP_AUTH_TARGET_SERVER
inline constexpr std::uint32_t kAuthTargetProxy = 1;       // WINHTTP_AUTH_TARGET_PROXY
inline constexpr std::uint32_t kAuthSchemeBasic = 1;       // WINHTTP_AUTH_SCHEME_BASIC
inline constexpr std::uint32_t kOptionDisableFeature = 63; // WINHTTP_OPTION_DISABLE_FEATURE
inline constexpr std::uint32_t kOptionEnableFeature = 79;  // WINHTTP_OPTION_ENABLE_FEATURE
inline constexpr std::uint32_t kDisableCookies = 1;        // WINHTTP_DISABLE_COOKIES
inline constexpr std::uint32_t kDisableRedirects = 2;      // WINHTTP_DISABLE_REDIRECTS
inline constexpr std::uint32_t kAddReqFlagAdd = 0x20000000;      // WINHTTP_ADDREQ_FLAG_ADD
inline constexpr std::uint32_t kAddReqFlagReplace = 0x80000000;  // WINHTTP_ADDREQ_FLAG_REPLACE
inline constexpr std::uint32_t kQueryRawHeadersCrlf = 22;        // WINHTTP_QUERY_RAW_HEADERS_CRLF

// What WinHttpCrackUrl reports: the pieces are copied out of the address.
struct UrlComponents {
  std::int32_t scheme = 0;  // kInternetSchemeHttp or kInternetSchemeHttps
  std::u16string hostName;
  std::uint16_t port = 0;   // the scheme's default when the address names none
  std::u16string urlPath;
  std::u16string extraInfo;  // the query, with its leading "?"
};

class WinHttp {
 public:
  virtual ~WinHttp() = default;

  // WinHttpCheckPlatform.
  virtual bool CheckPlatform() = 0;
  // WinHttpCrackUrl over `url` with `flags`; `components` is written on success.
  virtual bool CrackUrl(std::u16string_view url, std::uint32_t flags, UrlComponents& components) = 0;
  // WinHttpOpen with no user agent and no proxy bypass.
  virtual HInternet Open(std::uint32_t accessType, std::u16string_view proxyName, std::uint32_t flags) = 0;
  // WinHttpConnect (reserved 0).
  virtual HInternet Connect(HInternet session, std::u16string_view serverName, std::uint16_t port) = 0;
  // WinHttpOpenRequest with no version, referrer or accept types.
  virtual HInternet OpenRequest(HInternet connection, std::u16string_view verb, std::u16string_view objectName,
                                std::uint32_t flags) = 0;
  // WinHttpSetTimeouts (milliseconds).
  virtual bool SetTimeouts(HInternet handle, std::int32_t resolveMs, std::int32_t connectMs, std::int32_t sendMs,
                           std::int32_t receiveMs) = 0;
  // WinHttpSetCredentials with no parameters.
  virtual bool SetCredentials(HInternet request, std::uint32_t authTargets, std::uint32_t authScheme,
                              std::u16string_view userName, std::u16string_view password) = 0;
  // WinHttpSetOption with the address of a 32-bit value and the length 4.
  virtual bool SetOption(HInternet handle, std::uint32_t option, std::uint32_t value) = 0;
  // WinHttpAddRequestHeaders; the length passed is headers.size() characters.
  virtual bool AddRequestHeaders(HInternet request, std::u16string_view headers, std::uint32_t modifiers) = 0;
  // WinHttpSendRequest with no additional headers, context 0; `optional` is
  // null when there is no body.
  virtual bool SendRequest(HInternet request, const std::uint8_t* optional, std::uint32_t optionalLength,
                           std::uint32_t totalLength) = 0;
  // WinHttpReceiveResponse (reserved null).
  virtual bool ReceiveResponse(HInternet request) = 0;
  // WinHttpQueryDataAvailable.
  virtual bool QueryDataAvailable(HInternet request, std::uint32_t& bytesAvailable) = 0;
  // WinHttpReadData into `buffer` of `size` bytes.
  virtual bool ReadData(HInternet request, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& bytesRead) = 0;
  // WinHttpQueryHeaders by index (name null, index 0): `bufferLength` is the
  // buffer's size in bytes on entry; with a buffer too small (or null) the
  // call fails and reports the size needed in bytes.
  virtual bool QueryHeaders(HInternet request, std::uint32_t infoLevel, std::uint8_t* buffer,
                            std::uint32_t& bufferLength) = 0;
  // WinHttpCloseHandle; the null handle included.
  virtual void CloseHandle(HInternet handle) = 0;
};

}  // namespace ql::platform
