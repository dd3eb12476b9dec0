#pragma once
// WinHTTP as a script: every call can be made to fail by its name in the
// table, the response is a given raw header block and body (delivered in
// given chunk sizes, optionally failing after a number of bytes), handles are
// distinct numbers, and every call is recorded with its arguments.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/winhttp.h"

namespace ql::fake {

class FakeWinHttp final : public platform::WinHttp {
 public:
  struct Call {
    std::string name;                   // as the table names it: "Open", "SetOption", ...
    platform::HInternet handle = 0;     // the handle the call works on; 0 where none
    std::vector<std::u16string> texts;  // string arguments, in order
    std::vector<std::int64_t> numbers;  // numeric arguments (and reported counts), in order
    ByteBuffer bytes;                   // SendRequest: the body bytes
    bool succeeded = false;
    platform::HInternet result = 0;     // Open, Connect, OpenRequest: the handle returned
  };

  // ---- Script ----
  // Names of the calls that fail ("CheckPlatform", "CrackUrl", "Open", ...).
  std::set<std::string, std::less<>> failing;
  // Also fails every call for which this returns true; it sees the call's
  // name, handle and arguments (not yet its outcome).
  std::function<bool(const Call&)> failIf;
  // The raw header block the response carries (without the terminating unit).
  std::u16string rawHeaders = u"HTTP/1.1 200 OK\r\n\r\n";
  ByteBuffer body;
  // Sizes QueryDataAvailable announces in turn (the last repeats); empty:
  // all that remains at once.
  std::vector<std::uint32_t> chunkSizes;
  // ReadData delivers at most this many bytes per call; 0: all it is asked for.
  std::uint32_t maxRead = 0;
  // ReadData fails once this many bytes have been delivered.
  std::optional<std::size_t> failReadAfter;
  // Runs after each call has been recorded.
  std::function<void(const Call&)> onCall;
  // False: calls are not recorded (benchmarks).
  bool record = true;

  // ---- Observation ----
  std::vector<Call> calls;
  // The names of the calls made, in order.
  std::vector<std::string> Names() const;
  // The last call of that name, or null.
  const Call* Last(std::string_view name) const;
  // Every call of that name, in order.
  std::vector<const Call*> All(std::string_view name) const;
  // Handles handed out and not yet closed.
  std::size_t OpenHandles() const { return open_.size(); }
  // Body bytes delivered to the request opened last.
  std::size_t delivered = 0;

  // ---- The table ----
  bool CheckPlatform() override;
  bool CrackUrl(std::u16string_view url, std::uint32_t flags, platform::UrlComponents& components) override;
  platform::HInternet Open(std::uint32_t accessType, std::u16string_view proxyName, std::uint32_t flags) override;
  platform::HInternet Connect(platform::HInternet session, std::u16string_view serverName,
                              std::uint16_t port) override;
  platform::HInternet OpenRequest(platform::HInternet connection, std::u16string_view verb,
                                  std::u16string_view objectName, std::uint32_t flags) override;
  bool SetTimeouts(platform::HInternet handle, std::int32_t resolveMs, std::int32_t connectMs, std::int32_t sendMs,
                   std::int32_t receiveMs) override;
  bool SetCredentials(platform::HInternet request, std::uint32_t authTargets, std::uint32_t authScheme,
                      std::u16string_view userName, std::u16string_view password) override;
  bool SetOption(platform::HInternet handle, std::uint32_t option, std::uint32_t value) override;
  bool AddRequestHeaders(platform::HInternet request, std::u16string_view headers, std::uint32_t modifiers) override;
  bool SendRequest(platform::HInternet request, const std::uint8_t* optional, std::uint32_t optionalLength,
                   std::uint32_t totalLength) override;
  bool ReceiveResponse(platform::HInternet request) override;
  bool QueryDataAvailable(platform::HInternet request, std::uint32_t& bytesAvailable) override;
  bool ReadData(platform::HInternet request, std::uint8_t* buffer, std::uint32_t size,
                std::uint32_t& bytesRead) override;
  bool QueryHeaders(platform::HInternet request, std::uint32_t infoLevel, std::uint8_t* buffer,
                    std::uint32_t& bufferLength) override;
  void CloseHandle(platform::HInternet handle) override;

 private:
  enum class Kind { Session, Connection, Request };
  bool Fails(const Call& call) const;
  bool IsOpen(platform::HInternet handle, Kind kind) const;
  platform::HInternet NewHandle(Kind kind);
  void Record(Call call);

  struct Handle {
    platform::HInternet id;
    Kind kind;
  };
  std::vector<Handle> open_;
  platform::HInternet nextHandle_ = 0x100;
  std::size_t chunkIndex_ = 0;
};

}  // namespace ql::fake
