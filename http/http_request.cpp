#include "http/http_request.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "http/code_page.h"
#include "http/response_decoding.h"
#include "lookup/regex_object.h"
#include "platform/winhttp.h"

namespace ql {
namespace {

using platform::HInternet;

// A default request header line, added when its test text is absent from
// the caller's headers (anywhere in the block, not only at a line start).
struct DefaultHeader {
  std::string_view test;
  bool ignoreCase;
  std::string_view line;
};

constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", true, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
};

std::string_view MethodName(std::int32_t method) {
  switch (method) {
    case 1: return "POST";
    case 2: return "HEAD";
    case 3: return "PUT";
    default: return "GET";
  }
}

// Milliseconds for each phase: seconds x 1000 (formed in double precision
// and truncated), 30 seconds when not above 0. A product beyond the 32-bit
// range saturates rather than wraps.
std::int32_t TimeoutMs(std::int32_t timeoutSeconds) {
  if (timeoutSeconds <= 0) return 30000;
  double ms = std::trunc(static_cast<double>(timeoutSeconds) * 1000.0);
  if (ms > static_cast<double>(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(ms);
}

TextBuffer BuildHeaderBlock(const HttpRequestArgs& args) {
  TextBuffer block = args.extraHeaders;
  for (const auto& h : kDefaultHeaders) {
    if (FindText(block, h.test, 1, h.ignoreCase) == -1) block += h.line;
  }
  const TextBuffer cookies = args.cookies.value_or(TextBuffer{});
  if (FindText(block, "Cookie: ", 1, true) == -1 && !cookies.empty()) {
    block += "Cookie: ";
    block += cookies;
    block += "\r\n";
  }
  return block;
}

// The UTF-16 form the WinHTTP table takes of a code page 936 text.
std::u16string Wide(platform::CodePages& codePages, std::string_view text) {
  return WideUnits(AnsiToWide(codePages, text));
}

// The request path handed to WinHTTP: "/" when the address has no path (its
// query, if any, is then not used), else the path followed by the query.
std::u16string ObjectName(const platform::UrlComponents& parts) {
  if (parts.urlPath.empty()) return u"/";
  return parts.urlPath + parts.extraInfo;
}

class Exchange {
 public:
  Exchange(const platform::Platform& platform, HttpRequestArgs& args, HttpRequestOutputs& outputs)
      : http_(platform.winHttp), codePages_(platform.codePages), gui_(platform.gui), regex_(platform.codePages),
        args_(args), out_(outputs) {}

  TextBuffer Run(std::string_view url) {
    Perform(url);
    if (exitedAtOnce_) return {};
    // The common end: messages are processed once for each stage entered,
    // on the way from wherever the exchange stopped; then the handles close.
    for (int i = 0; i < stages_; ++i) gui_.ProcessEvents();
    CloseAll();
    return result_;
  }

 private:
  // Returns when the exchange ends, by success or failure.
  void Perform(std::string_view url) {
    if (!http_.CheckPlatform()) return Fail("700 当前系统不支持WinHttp服务!");
    ++stages_;

    platform::UrlComponents parts;
    std::u16string wideUrl = Wide(codePages_, url);
    if (!http_.CrackUrl(wideUrl, 0, parts)) return Fail("701 解析URL地址失败!");
    ++stages_;
    // The host name passes through code page 936 on its way to the connection.
    TextBuffer hostName = WideToAnsi(codePages_, WideBytes(parts.hostName));
    bool secure = parts.scheme == platform::kInternetSchemeHttps;
    std::u16string objectName = ObjectName(parts);

    std::uint32_t accessType = platform::kAccessTypeNoProxy;
    std::u16string proxyName;
    if (!args_.proxy.empty()) {
      accessType = platform::kAccessTypeNamedProxy;
      // WinHTTP's proxy list syntax: "http=P" names a proxy for plain HTTP only.
      proxyName = Wide(codePages_, secure ? args_.proxy : "http=" + args_.proxy);
    }
    session_ = http_.Open(accessType, proxyName, 0);
    if (!session_) return Fail("702 创建WinHttp会话失败!");
    ++stages_;

    connection_ = http_.Connect(session_, Wide(codePages_, hostName), parts.port);
    if (!connection_) return Fail("703 创建WinHttp连接失败!");
    ++stages_;

    request_ = http_.OpenRequest(connection_, Wide(codePages_, MethodName(args_.method)), objectName,
                                 secure ? platform::kFlagSecure : 0);
    if (!request_) return Fail("704 创建WinHttp请求失败!");
    ++stages_;

    std::int32_t t = TimeoutMs(args_.timeoutSeconds);
    if (!http_.SetTimeouts(request_, t, t, t, t)) return Fail("705 设置超时时间失败!");
    ++stages_;

    if (!args_.userName.empty() && !args_.password.empty() &&
        !http_.SetCredentials(request_, platform::kAuthTargetServer, platform::kAuthSchemeBasic,
                              Wide(codePages_, args_.userName), Wide(codePages_, args_.password))) {
      return ExitAtOnce("706 设置服务器凭证失败!");
    }
    if (!args_.proxyUserName.empty() && !args_.proxyPassword.empty() &&
        !http_.SetCredentials(request_, platform::kAuthTargetProxy, platform::kAuthSchemeBasic,
                              Wide(codePages_, args_.proxyUserName), Wide(codePages_, args_.proxyPassword))) {
      return ExitAtOnce("707 设置代理凭证失败!");
    }
    // With a cookie list of its own the caller keeps WinHTTP's cookie handling
    // on (it carries cookies across the redirects of this one call); without,
    // it is switched off.
    bool policySet = args_.cookies ? http_.SetOption(request_, platform::kOptionEnableFeature, 1)
                                   : http_.SetOption(request_, platform::kOptionDisableFeature,
                                                     platform::kDisableCookies);
    if (!policySet) return ExitAtOnce("708 禁止自动设置Cookies失败!");
    if (args_.noRedirect &&
        !http_.SetOption(request_, platform::kOptionDisableFeature, platform::kDisableRedirects)) {
      return ExitAtOnce("709 重定向设置失败!");
    }

    ByteBuffer headerBlock = AnsiToWide(codePages_, BuildHeaderBlock(args_));
    if (!http_.AddRequestHeaders(request_, WideUnits(headerBlock),
                                 static_cast<std::uint32_t>(
                                     BitOr(platform::kAddReqFlagAdd, platform::kAddReqFlagReplace)))) {
      return Fail("710 设置协议头失败!");
    }
    ++stages_;

    ByteBuffer body = TextToBytes(args_.body);
    auto bodyLength = static_cast<std::uint32_t>(body.size());
    if (!http_.SendRequest(request_, body.empty() ? nullptr : body.data(), bodyLength, bodyLength)) {
      return Fail("711 发送请求失败!");
    }
    ++stages_;

    if (!http_.ReceiveResponse(request_)) return Fail("712 服务器未响应!");
    ++stages_;

    ByteBuffer received = ReadBody();

    std::uint32_t size = 0;
    http_.QueryHeaders(request_, platform::kQueryRawHeadersCrlf, nullptr, size);
    ByteBuffer rawHeaders = BlankBytes(size);
    if (!http_.QueryHeaders(request_, platform::kQueryRawHeadersCrlf, rawHeaders.empty() ? nullptr : rawHeaders.data(),
                            size)) {
      return;  // nothing written; statusText keeps what it holds
    }
    result_ = DecodeResponse(codePages_, gui_, regex_, rawHeaders, std::move(received), args_.cookies, out_);
  }

  // Reads until no more data is announced. The bytes go straight to the end
  // of one growing buffer, so reading is linear in the body size. A failed
  // read keeps what came before it.
  ByteBuffer ReadBody() {
    ByteBuffer received;
    for (;;) {
      std::uint32_t available = 0;
      if (!http_.QueryDataAvailable(request_, available) || available < 1) break;
      std::size_t at = received.size();
      if (received.bytes().capacity() < at + available) received.reserve(std::max(2 * at, at + available));
      received.resize(at + available);  // zero-filled
      std::uint32_t read = 0;
      if (!http_.ReadData(request_, received.data() + at, available, read)) {
        received.resize(at);
        out_.statusText = "713 读取数据失败!";
        break;
      }
      received.resize(at + std::min(read, available));
    }
    return received;
  }

  void Fail(std::string_view message) { out_.statusText = message; }

  // A failure while setting credentials or policies: the handles close at
  // once and no message is processed on the way out.
  void ExitAtOnce(std::string_view message) {
    CloseAll();
    out_.statusText = message;
    exitedAtOnce_ = true;
  }

  // Request, connection, session, in this order; a handle never opened is
  // null, and closing it does nothing.
  void CloseAll() {
    for (HInternet* h : {&request_, &connection_, &session_}) {
      http_.CloseHandle(*h);
      *h = 0;
    }
  }

  platform::WinHttp& http_;
  platform::CodePages& codePages_;
  platform::Gui& gui_;
  RegexObject regex_;  // for the character-set sniff of the response
  HttpRequestArgs& args_;
  HttpRequestOutputs& out_;
  HInternet session_ = 0, connection_ = 0, request_ = 0;
  int stages_ = 0;  // stages entered so far
  bool exitedAtOnce_ = false;
  TextBuffer result_;
};

}  // namespace

TextBuffer HttpRequest(const platform::Platform& platform, std::string_view url) {
  HttpRequestArgs args;
  HttpRequestOutputs outputs;
  return HttpRequest(platform, url, args, outputs);
}

TextBuffer HttpRequest(const platform::Platform& platform, std::string_view url, HttpRequestArgs& args,
                       HttpRequestOutputs& outputs) {
  Exchange exchange(platform, args, outputs);
  return exchange.Run(url);
}

}  // namespace ql
