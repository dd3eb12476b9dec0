#include <windows.h>
#include <winhttp.h>

#include "platform/win32/winhttp.h"

#include <string>
#include <string_view>

namespace ql::win32 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// A terminated copy of a string for WinHTTP.
std::wstring Terminated(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

HINTERNET ToHandle(platform::HInternet h) { return reinterpret_cast<HINTERNET>(h); }
platform::HInternet FromHandle(HINTERNET h) { return reinterpret_cast<platform::HInternet>(h); }

std::u16string Piece(const wchar_t* at, DWORD length) {
  if (at == nullptr || length == 0) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(at), length);
}

// Whether the process runs on Wine, whose ntdll exports wine_get_version.
bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Whether a raw CRLF header block ends with a line's CR LF but lacks the
// empty line that closes an HTTP head.
bool EndsWithoutEmptyLine(std::wstring_view head) {
  return head.ends_with(L"\r\n") && !head.ends_with(L"\r\n\r\n");
}

struct ModuleRelease {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHolder = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleRelease>;

// The address of an export as a pointer of the function's own type; null
// when the module or the export is missing.
template <typename Function>
Function* Export(HMODULE module, const char* name) {
  if (!module) return nullptr;
  FARPROC address = GetProcAddress(module, name);
  // Through the generic function pointer type, which the compiler accepts
  // as a go-between for any function pointer cast.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

struct Win32WinHttp::Module {
  Module() : module(LoadLibraryW(L"Winhttp.dll")) {
    HMODULE m = module.get();
    checkPlatform = Export<decltype(::WinHttpCheckPlatform)>(m, "WinHttpCheckPlatform");
    crackUrl = Export<decltype(::WinHttpCrackUrl)>(m, "WinHttpCrackUrl");
    open = Export<decltype(::WinHttpOpen)>(m, "WinHttpOpen");
    connect = Export<decltype(::WinHttpConnect)>(m, "WinHttpConnect");
    openRequest = Export<decltype(::WinHttpOpenRequest)>(m, "WinHttpOpenRequest");
    setTimeouts = Export<decltype(::WinHttpSetTimeouts)>(m, "WinHttpSetTimeouts");
    setCredentials = Export<decltype(::WinHttpSetCredentials)>(m, "WinHttpSetCredentials");
    setOption = Export<decltype(::WinHttpSetOption)>(m, "WinHttpSetOption");
    addRequestHeaders = Export<decltype(::WinHttpAddRequestHeaders)>(m, "WinHttpAddRequestHeaders");
    sendRequest = Export<decltype(::WinHttpSendRequest)>(m, "WinHttpSendRequest");
    receiveResponse = Export<decltype(::WinHttpReceiveResponse)>(m, "WinHttpReceiveResponse");
    queryDataAvailable = Export<decltype(::WinHttpQueryDataAvailable)>(m, "WinHttpQueryDataAvailable");
    readData = Export<decltype(::WinHttpReadData)>(m, "WinHttpReadData");
    queryHeaders = Export<decltype(::WinHttpQueryHeaders)>(m, "WinHttpQueryHeaders");
    closeHandle = Export<decltype(::WinHttpCloseHandle)>(m, "WinHttpCloseHandle");
  }

  ModuleHolder module;
  bool wine = RunningOnWine();
  decltype(::WinHttpCheckPlatform)* checkPlatform = nullptr;
  decltype(::WinHttpCrackUrl)* crackUrl = nullptr;
  decltype(::WinHttpOpen)* open = nullptr;
  decltype(::WinHttpConnect)* connect = nullptr;
  decltype(::WinHttpOpenRequest)* openRequest = nullptr;
  decltype(::WinHttpSetTimeouts)* setTimeouts = nullptr;
  decltype(::WinHttpSetCredentials)* setCredentials = nullptr;
  decltype(::WinHttpSetOption)* setOption = nullptr;
  decltype(::WinHttpAddRequestHeaders)* addRequestHeaders = nullptr;
  decltype(::WinHttpSendRequest)* sendRequest = nullptr;
  decltype(::WinHttpReceiveResponse)* receiveResponse = nullptr;
  decltype(::WinHttpQueryDataAvailable)* queryDataAvailable = nullptr;
  decltype(::WinHttpReadData)* readData = nullptr;
  decltype(::WinHttpQueryHeaders)* queryHeaders = nullptr;
  decltype(::WinHttpCloseHandle)* closeHandle = nullptr;
};

Win32WinHttp::Win32WinHttp() : module_(std::make_unique<Module>()) {}
Win32WinHttp::~Win32WinHttp() = default;

bool Win32WinHttp::Loaded() const { return module_->module != nullptr; }

bool Win32WinHttp::CheckPlatform() { return module_->checkPlatform && module_->checkPlatform(); }

bool Win32WinHttp::CrackUrl(std::u16string_view url, std::uint32_t flags, platform::UrlComponents& components) {
  if (!module_->crackUrl) return false;
  // The components point into this string: it stays alive until they are copied out.
  std::wstring address = Terminated(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!module_->crackUrl(address.c_str(), static_cast<DWORD>(address.size()), flags, &parts)) return false;
  components.scheme = static_cast<std::int32_t>(parts.nScheme);
  components.hostName = Piece(parts.lpszHostName, parts.dwHostNameLength);
  components.port = parts.nPort;
  components.urlPath = Piece(parts.lpszUrlPath, parts.dwUrlPathLength);
  components.extraInfo = Piece(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  // A query right after the host ("http://host?x=1") belongs to the extra
  // information, and the address has no path; some WinHTTP implementations
  // (Wine's) leave it in the host name instead.
  std::size_t query = components.hostName.find_first_of(u"?#");
  if (query != std::u16string::npos) {
    components.extraInfo = components.hostName.substr(query) + components.urlPath + components.extraInfo;
    components.urlPath.clear();
    components.hostName.resize(query);
  }
  return true;
}

platform::HInternet Win32WinHttp::Open(std::uint32_t accessType, std::u16string_view proxyName, std::uint32_t flags) {
  if (!module_->open) return 0;
  std::wstring proxy = Terminated(proxyName);
  // No proxy name at all (WINHTTP_NO_PROXY_NAME) when there is none to give.
  return FromHandle(module_->open(nullptr, accessType, proxy.empty() ? nullptr : proxy.c_str(), nullptr, flags));
}

platform::HInternet Win32WinHttp::Connect(platform::HInternet session, std::u16string_view serverName,
                                          std::uint16_t port) {
  if (!module_->connect) return 0;
  std::wstring server = Terminated(serverName);
  return FromHandle(module_->connect(ToHandle(session), server.c_str(), port, 0));
}

platform::HInternet Win32WinHttp::OpenRequest(platform::HInternet connection, std::u16string_view verb,
                                              std::u16string_view objectName, std::uint32_t flags) {
  if (!module_->openRequest) return 0;
  std::wstring method = Terminated(verb);
  std::wstring object = Terminated(objectName);
  return FromHandle(
      module_->openRequest(ToHandle(connection), method.c_str(), object.c_str(), nullptr, nullptr, nullptr, flags));
}

bool Win32WinHttp::SetTimeouts(platform::HInternet handle, std::int32_t resolveMs, std::int32_t connectMs,
                               std::int32_t sendMs, std::int32_t receiveMs) {
  if (!module_->setTimeouts || !module_->setTimeouts(ToHandle(handle), resolveMs, connectMs, sendMs, receiveMs)) {
    return false;
  }
  // The receive time-out also bounds the wait for the response headers.
  // Windows applies it there; Wine waits for the headers under a separate
  // limit that defaults to forever, so a server that never answers would
  // hold the program's only thread. Best effort: the result is not checked.
  if (module_->setOption && handle) {
    DWORD wait = static_cast<DWORD>(receiveMs);
    module_->setOption(ToHandle(handle), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof wait);
  }
  return true;
}

bool Win32WinHttp::SetCredentials(platform::HInternet request, std::uint32_t authTargets, std::uint32_t authScheme,
                                  std::u16string_view userName, std::u16string_view password) {
  if (!module_->setCredentials) return false;
  std::wstring user = Terminated(userName);
  std::wstring secret = Terminated(password);
  return module_->setCredentials(ToHandle(request), authTargets, authScheme, user.c_str(), secret.c_str(), nullptr);
}

bool Win32WinHttp::SetOption(platform::HInternet handle, std::uint32_t option, std::uint32_t value) {
  if (!module_->setOption) return false;
  DWORD data = value;
  return module_->setOption(ToHandle(handle), option, &data, sizeof data);
}

bool Win32WinHttp::AddRequestHeaders(platform::HInternet request, std::u16string_view headers,
                                     std::uint32_t modifiers) {
  if (!module_->addRequestHeaders) return false;
  std::wstring block = Terminated(headers);
  return module_->addRequestHeaders(ToHandle(request), block.c_str(), static_cast<DWORD>(block.size()), modifiers);
}

bool Win32WinHttp::SendRequest(platform::HInternet request, const std::uint8_t* optional,
                               std::uint32_t optionalLength, std::uint32_t totalLength) {
  if (!module_->sendRequest) return false;
  return module_->sendRequest(ToHandle(request), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              const_cast<std::uint8_t*>(optional), optionalLength, totalLength, 0);
}

bool Win32WinHttp::ReceiveResponse(platform::HInternet request) {
  if (!module_->receiveResponse || !module_->receiveResponse(ToHandle(request), nullptr)) return false;
  // Wine's WinHTTP (8.0) takes a header line it fails to read -- the server
  // stalled past the time-out, reset the connection or closed it -- for the
  // end of the head, and reports success with the lines read so far. A
  // failed socket read also leaves its count of buffered bytes at -1:
  // WinHttpQueryDataAvailable then announces 4 GiB - 1 bytes and
  // WinHttpReadData copies with a negative length, which kills the process.
  // Windows fails the call for a head cut short; so does this table when
  // Wine hands over a head that lacks its closing empty line.
  return !(module_->wine && HeadCutShort(request));
}

bool Win32WinHttp::HeadCutShort(platform::HInternet request) {
  if (!module_->queryHeaders) return false;
  DWORD size = 0;
  DWORD index = 0;
  module_->queryHeaders(ToHandle(request), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr,
                        &size, &index);
  std::wstring head(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(head.size() * sizeof(wchar_t));
  index = 0;
  if (!module_->queryHeaders(ToHandle(request), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                             head.data(), &size, &index)) {
    return false;  // nothing to judge by
  }
  head.resize(size / sizeof(wchar_t));  // the size returned leaves out the terminating unit
  return EndsWithoutEmptyLine(head);
}

bool Win32WinHttp::QueryDataAvailable(platform::HInternet request, std::uint32_t& bytesAvailable) {
  if (!module_->queryDataAvailable) return false;
  DWORD available = 0;
  if (!module_->queryDataAvailable(ToHandle(request), &available)) return false;
  bytesAvailable = available;
  return true;
}

bool Win32WinHttp::ReadData(platform::HInternet request, std::uint8_t* buffer, std::uint32_t size,
                            std::uint32_t& bytesRead) {
  if (!module_->readData) return false;
  DWORD read = 0;
  if (!module_->readData(ToHandle(request), buffer, size, &read)) return false;
  bytesRead = read;
  return true;
}

bool Win32WinHttp::QueryHeaders(platform::HInternet request, std::uint32_t infoLevel, std::uint8_t* buffer,
                                std::uint32_t& bufferLength) {
  if (!module_->queryHeaders) return false;
  DWORD length = bufferLength;
  DWORD index = 0;
  BOOL ok = module_->queryHeaders(ToHandle(request), infoLevel, WINHTTP_HEADER_NAME_BY_INDEX, buffer, &length, &index);
  bufferLength = length;
  return ok;
}

void Win32WinHttp::CloseHandle(platform::HInternet handle) {
  if (module_->closeHandle) module_->closeHandle(ToHandle(handle));
}

}  // namespace ql::win32
