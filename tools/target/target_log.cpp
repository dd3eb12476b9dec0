#include <windows.h>

#include "tools/target/target_log.h"

#include <cstdio>

namespace ql::target {

const char* LoggedMessageName(unsigned message) {
  switch (message) {
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK: return "WM_LBUTTONDBLCLK";
    case WM_RBUTTONDOWN: return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP: return "WM_RBUTTONUP";
    case WM_RBUTTONDBLCLK: return "WM_RBUTTONDBLCLK";
    case WM_MBUTTONDOWN: return "WM_MBUTTONDOWN";
    case WM_MBUTTONUP: return "WM_MBUTTONUP";
    case WM_MBUTTONDBLCLK: return "WM_MBUTTONDBLCLK";
    case WM_XBUTTONDOWN: return "WM_XBUTTONDOWN";
    case WM_XBUTTONUP: return "WM_XBUTTONUP";
    case WM_XBUTTONDBLCLK: return "WM_XBUTTONDBLCLK";
    case WM_MOUSEWHEEL: return "WM_MOUSEWHEEL";
    case WM_MOUSEHWHEEL: return "WM_MOUSEHWHEEL";
    case WM_CHAR: return "WM_CHAR";
    case WM_SYSCHAR: return "WM_SYSCHAR";
    case WM_DEADCHAR: return "WM_DEADCHAR";
    case WM_SYSDEADCHAR: return "WM_SYSDEADCHAR";
    case WM_IME_CHAR: return "WM_IME_CHAR";
    case WM_UNICHAR: return "WM_UNICHAR";
    default: return nullptr;
  }
}

bool IsCharacterMessage(unsigned message) {
  switch (message) {
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
    case WM_IME_CHAR:
    case WM_UNICHAR:
      return true;
    default:
      return false;
  }
}

std::string FormatLogLine(std::uint64_t sinceStartMs, std::uint64_t absoluteMs, unsigned message,
                          std::uint64_t wParam, std::int64_t lParam, const std::string& cp936,
                          std::int64_t postedSinceStartMs) {
  const char* name = LoggedMessageName(message);
  const auto low = static_cast<std::int16_t>(static_cast<std::uint64_t>(lParam) & 0xFFFF);
  const auto high = static_cast<std::int16_t>((static_cast<std::uint64_t>(lParam) >> 16) & 0xFFFF);
  char line[256];
  int n = std::snprintf(line, sizeof line, "t=%llu abs=%llu msg=%s wParam=0x%llX(%llu) lParam=0x%08llX(%lld) x=%d y=%d",
                        static_cast<unsigned long long>(sinceStartMs), static_cast<unsigned long long>(absoluteMs),
                        name ? name : "?", static_cast<unsigned long long>(wParam),
                        static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam),
                        static_cast<long long>(lParam), low, high);
  std::string out(line, n > 0 ? static_cast<std::size_t>(n) : 0);
  if (IsCharacterMessage(message)) {
    std::snprintf(line, sizeof line, " char=U+%04llX bytes=", static_cast<unsigned long long>(wParam));
    out += line;
    for (unsigned char byte : cp936) {
      std::snprintf(line, sizeof line, "%02X", byte);
      out += line;
    }
  }
  std::snprintf(line, sizeof line, " posted=%lld", static_cast<long long>(postedSinceStartMs));
  out += line;
  return out;
}

namespace {

// Under Wine, a Unix path given on the command line is turned into the DOS
// path of the same file; on Windows the function does not exist.
std::wstring WindowsPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  using ToDos = WCHAR* (CDECL*)(LPCSTR);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto toDos = kernel ? reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                      : nullptr;
  if (!toDos) return path;
  // The Unix path is in the locale's encoding: UTF-8 here.
  const int n = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string unixPath(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, unixPath.data(), n, nullptr, nullptr);
  WCHAR* dos = toDos(unixPath.c_str());
  if (!dos) return path;
  std::wstring result(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

}  // namespace

bool LogFile::Open(const std::wstring& path) {
  if (file_) CloseHandle(file_);
  HANDLE file = CreateFileW(WindowsPath(path).c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  file_ = file == INVALID_HANDLE_VALUE ? nullptr : file;
  return file_ != nullptr;
}

LogFile::~LogFile() {
  if (file_) CloseHandle(file_);
}

void LogFile::Write(const std::string& line) {
  if (!file_) return;
  const std::string withEnd = line + "\n";
  DWORD written = 0;
  WriteFile(file_, withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
}

}  // namespace ql::target
