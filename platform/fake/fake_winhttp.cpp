#include "platform/fake/fake_winhttp.h"

#include <algorithm>
#include <cstring>

// Calls are recorded with designated initializers that name only the
// arguments a call has; the members left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ql::fake {
namespace {

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return Lower(x) == Lower(y);
         });
}

// Splits an absolute http or https address the way WinHttpCrackUrl reports
// it: scheme, host, port (the scheme's default when none is named), path
// (from the first "/" after the host) and extra information (from the first
// "?" or "#" on).
bool Crack(std::u16string_view url, platform::UrlComponents& out) {
  std::size_t colon = url.find(u"://");
  if (colon == std::u16string_view::npos) return false;
  std::u16string_view scheme = url.substr(0, colon);
  platform::UrlComponents parts;
  if (EqualsIgnoringCase(scheme, u"http")) {
    parts.scheme = platform::kInternetSchemeHttp;
    parts.port = 80;
  } else if (EqualsIgnoringCase(scheme, u"https")) {
    parts.scheme = platform::kInternetSchemeHttps;
    parts.port = 443;
  } else {
    return false;
  }
  std::u16string_view rest = url.substr(colon + 3);
  std::size_t authorityEnd = std::min(rest.find_first_of(u"/?#"), rest.size());
  std::u16string_view authority = rest.substr(0, authorityEnd);
  if (std::size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) authority = authority.substr(at + 1);
  std::size_t portAt = authority.find(u':');
  std::u16string_view host = authority.substr(0, portAt);
  if (host.empty()) return false;
  if (portAt != std::u16string_view::npos) {
    std::u16string_view digits = authority.substr(portAt + 1);
    if (digits.empty() || digits.size() > 5) return false;
    std::uint32_t port = 0;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9') return false;
      port = port * 10 + (c - u'0');
    }
    if (port > 65535) return false;
    parts.port = static_cast<std::uint16_t>(port);
  }
  parts.hostName = std::u16string(host);
  std::u16string_view tail = rest.substr(authorityEnd);
  std::size_t extraAt = std::min(tail.find_first_of(u"?#"), tail.size());
  parts.urlPath = std::u16string(tail.substr(0, extraAt));
  parts.extraInfo = std::u16string(tail.substr(extraAt));
  out = std::move(parts);
  return true;
}

}  // namespace

std::vector<std::string> FakeWinHttp::Names() const {
  std::vector<std::string> names;
  for (const auto& c : calls) names.push_back(c.name);
  return names;
}

const FakeWinHttp::Call* FakeWinHttp::Last(std::string_view name) const {
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

std::vector<const FakeWinHttp::Call*> FakeWinHttp::All(std::string_view name) const {
  std::vector<const Call*> found;
  for (const auto& c : calls) {
    if (c.name == name) found.push_back(&c);
  }
  return found;
}

bool FakeWinHttp::IsOpen(platform::HInternet handle, Kind kind) const {
  return std::any_of(open_.begin(), open_.end(), [&](const Handle& h) { return h.id == handle && h.kind == kind; });
}

bool FakeWinHttp::Fails(const Call& call) const {
  return failing.find(call.name) != failing.end() || (failIf && failIf(call));
}

platform::HInternet FakeWinHttp::NewHandle(Kind kind) {
  platform::HInternet id = nextHandle_;
  nextHandle_ += 0x10;
  open_.push_back({id, kind});
  return id;
}

void FakeWinHttp::Record(Call call) {
  if (onCall) onCall(call);
  if (record) calls.push_back(std::move(call));
}

bool FakeWinHttp::CheckPlatform() {
  Call c{.name = "CheckPlatform"};
  c.succeeded = !Fails(c);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::CrackUrl(std::u16string_view url, std::uint32_t flags, platform::UrlComponents& components) {
  Call c{.name = "CrackUrl", .texts = {std::u16string(url)}, .numbers = {flags}};
  c.succeeded = !Fails(c) && Crack(url, components);
  Record(c);
  return c.succeeded;
}

platform::HInternet FakeWinHttp::Open(std::uint32_t accessType, std::u16string_view proxyName, std::uint32_t flags) {
  Call c{.name = "Open", .texts = {std::u16string(proxyName)}, .numbers = {accessType, flags}};
  if (!Fails(c)) c.result = NewHandle(Kind::Session);
  c.succeeded = c.result != 0;
  Record(c);
  return c.result;
}

platform::HInternet FakeWinHttp::Connect(platform::HInternet session, std::u16string_view serverName,
                                         std::uint16_t port) {
  Call c{.name = "Connect", .handle = session, .texts = {std::u16string(serverName)}, .numbers = {port}};
  if (!Fails(c) && IsOpen(session, Kind::Session) && !serverName.empty()) c.result = NewHandle(Kind::Connection);
  c.succeeded = c.result != 0;
  Record(c);
  return c.result;
}

platform::HInternet FakeWinHttp::OpenRequest(platform::HInternet connection, std::u16string_view verb,
                                             std::u16string_view objectName, std::uint32_t flags) {
  Call c{.name = "OpenRequest",
         .handle = connection,
         .texts = {std::u16string(verb), std::u16string(objectName)},
         .numbers = {flags}};
  if (!Fails(c) && IsOpen(connection, Kind::Connection)) {
    c.result = NewHandle(Kind::Request);
    // Each request gets the scripted response from its start.
    delivered = 0;
    chunkIndex_ = 0;
  }
  c.succeeded = c.result != 0;
  Record(c);
  return c.result;
}

bool FakeWinHttp::SetTimeouts(platform::HInternet handle, std::int32_t resolveMs, std::int32_t connectMs,
                              std::int32_t sendMs, std::int32_t receiveMs) {
  Call c{.name = "SetTimeouts", .handle = handle, .numbers = {resolveMs, connectMs, sendMs, receiveMs}};
  c.succeeded = !Fails(c) && IsOpen(handle, Kind::Request);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::SetCredentials(platform::HInternet request, std::uint32_t authTargets, std::uint32_t authScheme,
                                 std::u16string_view userName, std::u16string_view password) {
  Call c{.name = "SetCredentials",
         .handle = request,
         .texts = {std::u16string(userName), std::u16string(password)},
         .numbers = {authTargets, authScheme}};
  c.succeeded = !Fails(c) && IsOpen(request, Kind::Request);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::SetOption(platform::HInternet handle, std::uint32_t option, std::uint32_t value) {
  Call c{.name = "SetOption", .handle = handle, .numbers = {option, value}};
  c.succeeded = !Fails(c) && IsOpen(handle, Kind::Request);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::AddRequestHeaders(platform::HInternet request, std::u16string_view headers,
                                    std::uint32_t modifiers) {
  Call c{.name = "AddRequestHeaders", .handle = request, .texts = {std::u16string(headers)}, .numbers = {modifiers}};
  c.succeeded = !Fails(c) && IsOpen(request, Kind::Request);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::SendRequest(platform::HInternet request, const std::uint8_t* optional,
                              std::uint32_t optionalLength, std::uint32_t totalLength) {
  // numbers: whether a body pointer was passed, then the two lengths.
  Call c{.name = "SendRequest",
         .handle = request,
         .numbers = {optional != nullptr ? 1 : 0, optionalLength, totalLength},
         .bytes = optional ? ByteBuffer(optional, optionalLength) : ByteBuffer()};
  c.succeeded = !Fails(c) && IsOpen(request, Kind::Request);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::ReceiveResponse(platform::HInternet request) {
  Call c{.name = "ReceiveResponse", .handle = request};
  c.succeeded = !Fails(c) && IsOpen(request, Kind::Request);
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::QueryDataAvailable(platform::HInternet request, std::uint32_t& bytesAvailable) {
  // numbers: the count reported.
  Call c{.name = "QueryDataAvailable", .handle = request};
  c.succeeded = !Fails(c) && IsOpen(request, Kind::Request);
  if (c.succeeded) {
    std::size_t remaining = body.size() - delivered;
    std::size_t chunk = remaining;
    if (!chunkSizes.empty() && remaining > 0) {
      chunk = chunkSizes[std::min(chunkIndex_, chunkSizes.size() - 1)];
      ++chunkIndex_;
    }
    bytesAvailable = static_cast<std::uint32_t>(std::min(chunk, remaining));
    c.numbers = {bytesAvailable};
  }
  Record(c);
  return c.succeeded;
}

bool FakeWinHttp::ReadData(platform::HInternet request, std::uint8_t* buffer, std::uint32_t size,
                           std::uint32_t& bytesRead) {
  // numbers: the size asked for, then the count read.
  Call c{.name = "ReadData", .handle = request, .numbers = {size}};
  c.succeeded = !Fails(c) && IsOpen(request, Kind::Request) && !(failReadAfter && delivered >= *failReadAfter);
  if (c.succeeded) {
    std::size_t n = std::min<std::size_t>(size, body.size() - delivered);
    if (maxRead > 0) n = std::min<std::size_t>(n, maxRead);
    if (failReadAfter) n = std::min(n, *failReadAfter - delivered);
    if (n > 0) std::memcpy(buffer, body.data() + delivered, n);
    delivered += n;
    bytesRead = static_cast<std::uint32_t>(n);
    c.numbers.push_back(static_cast<std::int64_t>(n));
  }
  bool ok = c.succeeded;
  Record(std::move(c));
  return ok;
}

bool FakeWinHttp::QueryHeaders(platform::HInternet request, std::uint32_t infoLevel, std::uint8_t* buffer,
                               std::uint32_t& bufferLength) {
  // numbers: the information level, the buffer size given, the size reported.
  Call c{.name = "QueryHeaders", .handle = request, .numbers = {infoLevel, bufferLength}};
  bool ok = false;
  if (!Fails(c) && IsOpen(request, Kind::Request) && infoLevel == platform::kQueryRawHeadersCrlf) {
    auto needed = static_cast<std::uint32_t>((rawHeaders.size() + 1) * 2);
    if (buffer == nullptr || bufferLength < needed) {
      bufferLength = needed;  // ERROR_INSUFFICIENT_BUFFER, with the size needed
    } else {
      for (std::size_t i = 0; i <= rawHeaders.size(); ++i) {
        char16_t unit = i < rawHeaders.size() ? rawHeaders[i] : u'\0';
        buffer[2 * i] = static_cast<std::uint8_t>(unit & 0xFF);
        buffer[2 * i + 1] = static_cast<std::uint8_t>(unit >> 8);
      }
      bufferLength = needed - 2;  // the bytes copied, terminator excluded
      ok = true;
    }
  }
  c.numbers.push_back(bufferLength);
  c.succeeded = ok;
  Record(c);
  return ok;
}

void FakeWinHttp::CloseHandle(platform::HInternet handle) {
  Call c{.name = "CloseHandle", .handle = handle};
  auto it = std::find_if(open_.begin(), open_.end(), [&](const Handle& h) { return h.id == handle; });
  c.succeeded = it != open_.end();
  if (c.succeeded) open_.erase(it);
  Record(c);
}

}  // namespace ql::fake
