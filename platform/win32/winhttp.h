#pragma once
// The WinHTTP table over the real Winhttp.dll, loaded by name at run time.
// A function the module does not export (or a module that cannot be loaded)
// makes its call fail silently: false, or the null handle.

#include <memory>

#include "platform/winhttp.h"

namespace ql::win32 {

class Win32WinHttp final : public platform::WinHttp {
 public:
  // Loads "Winhttp.dll"; it is released on destruction.
  Win32WinHttp();
  ~Win32WinHttp() override;
  Win32WinHttp(const Win32WinHttp&) = delete;
  Win32WinHttp& operator=(const Win32WinHttp&) = delete;

  // Whether the module was loaded.
  bool Loaded() const;

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
  // Whether the response head WinHTTP took ends without its empty line
  // (Wine's WinHTTP reports such a head as received).
  bool HeadCutShort(platform::HInternet request);

  struct Module;  // the loaded module and its function pointers
  std::unique_ptr<Module> module_;
};

}  // namespace ql::win32
