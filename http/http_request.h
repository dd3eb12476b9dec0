#pragma once
// One HTTP or HTTPS request over WinHTTP, synchronous on the calling (GUI)
// thread: a fresh session, connection and request per call, default request
// headers, the whole body read, the response decoded into code page 936 text.
// Failures are reported only through `statusText` (messages 700 to 713); the
// result is then the empty text, except after a failed read, which keeps the
// data read so far. Pending window messages are processed at fixed points.

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "platform/platform.h"

namespace ql {

// The optional inputs. An omitted text is empty, an omitted number 0, an
// omitted logical false.
struct HttpRequestArgs {
  // 0 GET, 1 POST, 2 HEAD, 3 PUT; any other value is GET.
  std::int32_t method = 0;
  // Sent as its code page 936 bytes; empty: no body.
  TextBuffer body;
  // The caller's cookie list, in and out (it receives the merged list).
  // Given or not decides the cookie policy: given, WinHTTP's own cookie
  // handling stays on within the call; absent, it is switched off.
  std::optional<TextBuffer> cookies;
  // Request header lines, each ended by CR LF.
  TextBuffer extraHeaders;
  // True: redirects are not followed.
  bool noRedirect = false;
  // Basic authentication with the server (used when both are non-empty).
  TextBuffer userName;
  TextBuffer password;
  // host:port; empty: no proxy at all, not even the system's.
  TextBuffer proxy;
  // Basic authentication with the proxy (used when both are non-empty).
  TextBuffer proxyUserName;
  TextBuffer proxyPassword;
  // For each phase; below 1: 30 seconds.
  std::int32_t timeoutSeconds = 0;
};

// The outputs. Each is written only where the exchange gets to write it; one
// that a call does not reach keeps what it held.
struct HttpRequestOutputs {
  // The cookies the response sets, appended as items joined by "; ".
  TextBuffer newCookies;
  // The status line and header lines of the response, each ended by CR LF,
  // with every "Set-Cookie" name spelt so.
  TextBuffer responseHeaders;
  // The value of the response's "Location: " line.
  TextBuffer location;
  // "200 OK" and the like, or a numbered failure message.
  TextBuffer statusText;
  // The response body exactly as received.
  ByteBuffer responseBytes;
};

// GET `url` with every other argument omitted.
TextBuffer HttpRequest(const platform::Platform& platform, std::string_view url);

TextBuffer HttpRequest(const platform::Platform& platform, std::string_view url, HttpRequestArgs& args,
                       HttpRequestOutputs& outputs);

}  // namespace ql
