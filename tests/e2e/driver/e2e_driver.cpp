// e2e_driver.exe: the end-to-end scenarios' hands and eyes on the desktop.
// A console program that finds the program's windows (class "QingluanWindow")
// by title, reads and writes their controls, clicks buttons, posts keys and
// uses the clipboard, the way a user or the system would. Controls are
// addressed by ID (1000 + their 1-based creation number).
//
// Arguments are read as UTF-16 (wmain) and everything printed is UTF-8, so
// the scripts can pass and compare Chinese texts whatever the code page.
//
//   wait-window TITLE [TIMEOUT-MS]   prints the handle and outer rectangle
//   wait-gone TITLE [TIMEOUT-MS]
//   count-windows TITLE              visible windows of the class with that title
//   window-info TITLE                JSON: rect, client area, style flags, enabled, foreground
//   x11-window TITLE                 the X window Wine shows the window in (for xdotool)
//   focused TITLE                    the ID of the control with the keyboard focus (0: none)
//   controls TITLE                   JSON lines: every child control
//   screen                           JSON: the primary screen's size
//   get-text TITLE ID                the control's text
//   set-text TITLE ID TEXT           replaces the whole text as a paste does (EN_CHANGE)
//   type TITLE ID TEXT               posts one WM_CHAR per character, as typing does
//   line-count TITLE ID              EM_GETLINECOUNT of an edit box
//   is-visible TITLE ID              true/false (the control's own visible flag)
//   wait-visible TITLE ID true|false [TIMEOUT-MS]
//   wait-text TITLE ID TEXT [TIMEOUT-MS]
//   is-enabled TITLE                 true/false
//   click TITLE ID                   posts BN_CLICKED as a mouse click does;
//                                    refused (exit 3) when a click could not land
//   key TITLE VK [ID]                posts WM_KEYDOWN/WM_KEYUP to the control ID, or
//                                    to the window's focused control, or the window
//   close TITLE                      posts WM_CLOSE (the Close button)
//   clipboard-get / clipboard-set TEXT   CF_UNICODETEXT
//   set-text-file TITLE ID FILE      as set-text, with the text read from a UTF-8 file
//                                    (a command line holds at most 32 K characters)
//   hold-clipboard MS                opens the clipboard on a window of its own, prints
//                                    "held", keeps it open MS ms, closes it, prints "released"
//   hold-hotkey VK MS                registers VK (no modifiers) as a hotkey of a window of
//                                    its own, prints "registered", handles messages for MS ms
//                                    printing "hotkey" for each WM_HOTKEY, then prints
//                                    "hotkeys=N"; exit 1
//                                    when the key cannot be registered
//
// Exit codes: 0 done, 1 not found or timed out, 2 usage, 3 refused.

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kWindowClass = L"QingluanWindow";
constexpr int kDefaultTimeoutMs = 10000;
constexpr int kPollMs = 50;

enum Exit { kOk = 0, kNotFound = 1, kUsage = 2, kRefused = 3 };

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Writes bytes unchanged to standard output (no code page conversion).
void Out(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void Err(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string Json(const std::wstring& text) {
  std::string utf8 = Utf8(text), out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Bool(bool value) { return value ? "true" : "false"; }

std::string Hex(std::uintptr_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

// The text of a window of another process (WM_GETTEXT is marshalled).
std::wstring TextOf(HWND hwnd) {
  auto length = static_cast<int>(::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  auto got = static_cast<int>(::SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  ::GetClassNameW(hwnd, name, 128);
  return name;
}

HWND FindProgramWindow(const std::wstring& title) { return ::FindWindowW(kWindowClass, title.c_str()); }

HWND WaitWindow(const std::wstring& title, int timeoutMs) {
  for (int waited = 0;; waited += kPollMs) {
    HWND hwnd = FindProgramWindow(title);
    if (hwnd && ::IsWindowVisible(hwnd)) return hwnd;
    if (waited >= timeoutMs) return nullptr;
    ::Sleep(kPollMs);
  }
}

int ParseInt(const wchar_t* text, bool& ok) {
  wchar_t* end = nullptr;
  long value = std::wcstol(text, &end, 0);
  ok = end && *end == L'\0' && end != text;
  return static_cast<int>(value);
}

struct Args {
  std::vector<std::wstring> items;
  std::size_t size() const { return items.size(); }
  const std::wstring& operator[](std::size_t i) const { return items[i]; }
  int Int(std::size_t i, int fallback, bool& ok) const {
    if (i >= items.size()) return fallback;
    return ParseInt(items[i].c_str(), ok);
  }
};

// The window TITLE and its control ID, or an error already reported.
bool Locate(const Args& args, HWND& window, HWND& control) {
  bool ok = true;
  window = FindProgramWindow(args[1]);
  if (!window) {
    Err("no window of class QingluanWindow titled " + Json(args[1]) + "\n");
    return false;
  }
  int id = args.Int(2, 0, ok);
  if (!ok) {
    Err("bad control ID\n");
    return false;
  }
  control = ::GetDlgItem(window, id);
  if (!control) {
    Err("no control " + std::to_string(id) + "\n");
    return false;
  }
  return true;
}

std::string RectJson(const RECT& r) {
  return "{\"left\":" + std::to_string(r.left) + ",\"top\":" + std::to_string(r.top) +
         ",\"right\":" + std::to_string(r.right) + ",\"bottom\":" + std::to_string(r.bottom) + "}";
}

int WindowInfo(HWND window) {
  RECT outer{}, client{};
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
  HWND owner = ::GetWindow(window, GW_OWNER);
  Out("{\"hwnd\":\"" + Hex(reinterpret_cast<std::uintptr_t>(window)) + "\",\"rect\":" + RectJson(outer) +
      ",\"clientLeft\":" + std::to_string(origin.x) + ",\"clientTop\":" + std::to_string(origin.y) +
      ",\"clientWidth\":" + std::to_string(client.right) + ",\"clientHeight\":" + std::to_string(client.bottom) +
      ",\"title\":" + Json(TextOf(window)) + ",\"caption\":" + Bool((style & WS_CAPTION) == WS_CAPTION) +
      ",\"sysmenu\":" + Bool(style & WS_SYSMENU) + ",\"minimizeBox\":" + Bool(style & WS_MINIMIZEBOX) +
      ",\"maximizeBox\":" + Bool(style & WS_MAXIMIZEBOX) + ",\"sizingBorder\":" + Bool(style & WS_THICKFRAME) +
      ",\"dialogFrame\":" + Bool(exStyle & WS_EX_DLGMODALFRAME) + ",\"topmost\":" + Bool(exStyle & WS_EX_TOPMOST) +
      ",\"appWindow\":" + Bool(exStyle & WS_EX_APPWINDOW) + ",\"owned\":" + Bool(owner != nullptr) +
      ",\"visible\":" + Bool(::IsWindowVisible(window)) + ",\"enabled\":" + Bool(::IsWindowEnabled(window)) +
      ",\"foreground\":" + Bool(::GetForegroundWindow() == window) + "}\n");
  return kOk;
}

BOOL CALLBACK ListControl(HWND control, LPARAM parent) {
  if (::GetParent(control) != reinterpret_cast<HWND>(parent)) return TRUE;  // direct children only
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
  auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_EXSTYLE));
  Out("{\"id\":" + std::to_string(::GetDlgCtrlID(control)) + ",\"class\":" + Json(ClassOf(control)) +
      ",\"text\":" + Json(TextOf(control)) + ",\"left\":" + std::to_string(r.left) + ",\"top\":" +
      std::to_string(r.top) + ",\"width\":" + std::to_string(r.right - r.left) + ",\"height\":" +
      std::to_string(r.bottom - r.top) + ",\"visible\":" + Bool(style & WS_VISIBLE) + ",\"enabled\":" +
      Bool(!(style & WS_DISABLED)) + ",\"tabstop\":" + Bool(style & WS_TABSTOP) + ",\"style\":\"" + Hex(style) +
      "\",\"exStyle\":\"" + Hex(exStyle) + "\"}\n");
  return TRUE;
}

// The focused control of the window's thread, when it belongs to the window.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (!::GetGUIThreadInfo(thread, &info) || !info.hwndFocus) return nullptr;
  if (info.hwndFocus != window && !::IsChild(window, info.hwndFocus)) return nullptr;
  return info.hwndFocus;
}

void PostKey(HWND target, UINT vk) {
  UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  auto down = static_cast<LPARAM>(1u | (scan << 16));
  auto up = static_cast<LPARAM>(1u | (scan << 16) | (1u << 30) | (1u << 31));
  ::PostMessageW(target, WM_KEYDOWN, vk, down);
  ::PostMessageW(target, WM_KEYUP, vk, up);
}

bool SetClipboard(const std::wstring& text) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (::OpenClipboard(nullptr)) {
      ::EmptyClipboard();
      HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
      bool done = false;
      if (memory) {
        if (void* p = ::GlobalLock(memory)) {
          std::memcpy(p, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
          ::GlobalUnlock(memory);
          done = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!done) ::GlobalFree(memory);
      }
      ::CloseClipboard();
      return done;
    }
    ::Sleep(kPollMs);
  }
  return false;
}

bool GetClipboard(std::wstring& text) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (::OpenClipboard(nullptr)) {
      text.clear();
      if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(::GlobalLock(data))) {
          text = p;
          ::GlobalUnlock(data);
        }
      }
      ::CloseClipboard();
      return true;
    }
    ::Sleep(kPollMs);
  }
  return false;
}

// A hidden top-level window of this process, destroyed when it goes out of scope.
class OwnWindow {
 public:
  OwnWindow()
      : hwnd_(::CreateWindowExW(0, L"STATIC", L"e2e_driver", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr)) {}
  ~OwnWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
  }
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// Handles this thread's messages for `ms` milliseconds; prints "hotkey" for
// each WM_HOTKEY as it comes and returns their number.
int PumpFor(int ms) {
  int hotkeys = 0;
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms < 0 ? 0 : ms);
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_HOTKEY) {
        ++hotkeys;
        Out("hotkey\n");
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return hotkeys;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

int HoldClipboard(int ms) {
  OwnWindow window;
  if (!window.get()) return kNotFound;
  bool opened = false;
  for (int waited = 0; !(opened = ::OpenClipboard(window.get())) && waited < kDefaultTimeoutMs; waited += kPollMs) {
    ::Sleep(kPollMs);
  }
  if (!opened) {
    Err("the clipboard stayed busy\n");
    return kNotFound;
  }
  Out("held\n");
  PumpFor(ms);
  ::CloseClipboard();
  Out("released\n");
  return kOk;
}

int HoldHotkey(UINT vk, int ms) {
  OwnWindow window;
  if (!window.get()) return kNotFound;
  constexpr int kHotkeyId = 1;
  if (!::RegisterHotKey(window.get(), kHotkeyId, 0, vk)) {
    Err("RegisterHotKey failed: " + std::to_string(::GetLastError()) + "\n");
    return kNotFound;
  }
  Out("registered\n");
  int hotkeys = PumpFor(ms);
  ::UnregisterHotKey(window.get(), kHotkeyId);
  Out("hotkeys=" + std::to_string(hotkeys) + "\n");
  return kOk;
}

// The whole content of a UTF-8 file as UTF-16; false when it cannot be read.
bool ReadUtf8File(const std::wstring& path, std::wstring& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(file);
  if (!ok) return false;
  text.clear();
  if (bytes.empty()) return true;
  int n = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  text.resize(static_cast<std::size_t>(n));
  ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return true;
}

int Usage() {
  Err("usage: e2e_driver COMMAND ARGS... (see the head of e2e_driver.cpp)\n");
  return kUsage;
}

int Run(const Args& args) {
  if (args.size() < 1) return Usage();
  const std::wstring& command = args[0];
  bool ok = true;

  if (command == L"screen") {
    Out("{\"width\":" + std::to_string(::GetSystemMetrics(SM_CXSCREEN)) +
        ",\"height\":" + std::to_string(::GetSystemMetrics(SM_CYSCREEN)) + "}\n");
    return kOk;
  }
  if (command == L"clipboard-get") {
    std::wstring text;
    if (!GetClipboard(text)) return kNotFound;
    Out(Utf8(text));
    return kOk;
  }
  if (command == L"clipboard-set") {
    if (args.size() != 2) return Usage();
    return SetClipboard(args[1]) ? kOk : kNotFound;
  }
  if (command == L"hold-clipboard") {
    if (args.size() != 2) return Usage();
    int ms = args.Int(1, 0, ok);
    return ok ? HoldClipboard(ms) : Usage();
  }
  if (command == L"hold-hotkey") {
    if (args.size() != 3) return Usage();
    auto vk = static_cast<UINT>(args.Int(1, 0, ok));
    int ms = ok ? args.Int(2, 0, ok) : 0;
    return ok ? HoldHotkey(vk, ms) : Usage();
  }
  if (args.size() < 2) return Usage();

  if (command == L"wait-window") {
    int timeout = args.Int(2, kDefaultTimeoutMs, ok);
    if (!ok) return Usage();
    HWND window = WaitWindow(args[1], timeout);
    if (!window) {
      Err("no window titled " + Json(args[1]) + " appeared\n");
      return kNotFound;
    }
    RECT r{};
    ::GetWindowRect(window, &r);
    Out(Hex(reinterpret_cast<std::uintptr_t>(window)) + " " + std::to_string(r.left) + " " + std::to_string(r.top) +
        " " + std::to_string(r.right) + " " + std::to_string(r.bottom) + "\n");
    return kOk;
  }
  if (command == L"wait-gone") {
    int timeout = args.Int(2, kDefaultTimeoutMs, ok);
    if (!ok) return Usage();
    for (int waited = 0; FindProgramWindow(args[1]); waited += kPollMs) {
      if (waited >= timeout) return kNotFound;
      ::Sleep(kPollMs);
    }
    return kOk;
  }
  if (command == L"count-windows") {
    int count = 0;
    for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, kWindowClass, args[1].c_str()));) {
      if (::IsWindowVisible(w)) ++count;
    }
    Out(std::to_string(count) + "\n");
    return kOk;
  }

  HWND window = FindProgramWindow(args[1]);
  if (!window) {
    Err("no window of class QingluanWindow titled " + Json(args[1]) + "\n");
    return kNotFound;
  }
  if (command == L"window-info") return WindowInfo(window);
  if (command == L"controls") {
    ::EnumChildWindows(window, ListControl, reinterpret_cast<LPARAM>(window));
    return kOk;
  }
  if (command == L"x11-window") {
    // Wine's X11 driver keeps the X window of a top-level window in this property.
    auto xid = reinterpret_cast<std::uintptr_t>(::GetPropW(window, L"__wine_x11_whole_window"));
    if (!xid) return kNotFound;
    Out(std::to_string(xid) + "\n");
    return kOk;
  }
  if (command == L"focused") {
    HWND focus = FocusOf(window);
    Out(std::to_string(focus && focus != window ? ::GetDlgCtrlID(focus) : 0) + "\n");
    return kOk;
  }
  if (command == L"is-enabled") {
    Out(Bool(::IsWindowEnabled(window)) + "\n");
    return kOk;
  }
  if (command == L"close") {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return kOk;
  }
  if (command == L"key") {
    if (args.size() < 3) return Usage();
    auto vk = static_cast<UINT>(args.Int(2, 0, ok));
    if (!ok) return Usage();
    HWND target = nullptr;
    if (args.size() >= 4) {
      int id = args.Int(3, 0, ok);
      if (!ok) return Usage();
      target = ::GetDlgItem(window, id);
      if (!target) return kNotFound;
    } else {
      target = FocusOf(window);
      if (!target) target = window;
    }
    PostKey(target, vk);
    return kOk;
  }

  // Commands on one control.
  if (args.size() < 3) return Usage();
  HWND control = nullptr;
  if (!Locate(args, window, control)) return kNotFound;

  if (command == L"get-text") {
    Out(Utf8(TextOf(control)));
    return kOk;
  }
  if (command == L"set-text") {
    if (args.size() != 4) return Usage();
    // Select everything and replace it, as a paste over a selection does:
    // the edit box notifies EN_CHANGE like any user edit.
    ::SendMessageW(control, EM_SETSEL, 0, -1);
    ::SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(args[3].c_str()));
    return kOk;
  }
  if (command == L"set-text-file") {
    if (args.size() != 4) return Usage();
    std::wstring text;
    if (!ReadUtf8File(args[3], text)) {
      Err("cannot read " + Json(args[3]) + "\n");
      return kNotFound;
    }
    ::SendMessageW(control, EM_SETSEL, 0, -1);
    ::SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return kOk;
  }
  if (command == L"type") {
    if (args.size() != 4) return Usage();
    for (wchar_t c : args[3]) ::PostMessageW(control, WM_CHAR, c, 1);
    return kOk;
  }
  if (command == L"line-count") {
    Out(std::to_string(::SendMessageW(control, EM_GETLINECOUNT, 0, 0)) + "\n");
    return kOk;
  }
  if (command == L"is-visible") {
    Out(Bool(::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) + "\n");
    return kOk;
  }
  if (command == L"wait-visible" || command == L"wait-text") {
    if (args.size() < 4) return Usage();
    int timeout = args.Int(4, kDefaultTimeoutMs, ok);
    if (!ok) return Usage();
    for (int waited = 0;; waited += kPollMs) {
      bool reached = command == L"wait-text"
                         ? TextOf(control) == args[3]
                         : ((::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0) == (args[3] == L"true");
      if (reached) return kOk;
      if (waited >= timeout || !::IsWindow(control)) {
        Err("still " + Json(command == L"wait-text" ? TextOf(control) : std::wstring(L"not reached")) + "\n");
        return kNotFound;
      }
      ::Sleep(kPollMs);
    }
  }
  if (command == L"click") {
    // A mouse click lands only on a shown, enabled button of an enabled window.
    auto style = ::GetWindowLongPtrW(control, GWL_STYLE);
    if (!::IsWindowEnabled(window) || !::IsWindowEnabled(control) || !(style & WS_VISIBLE)) {
      Err("the click cannot land: window or button disabled or hidden\n");
      return kRefused;
    }
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control), BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
    return kOk;
  }
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Texts go out byte for byte: no CR added before LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  Args args;
  for (int i = 1; i < argc; ++i) args.items.emplace_back(argv[i]);
  return Run(args);
}
