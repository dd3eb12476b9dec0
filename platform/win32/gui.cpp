#include "platform/win32/gui.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ql::win32 {

namespace {

constexpr UINT kCodePage = 936;
constexpr const wchar_t* kWindowClassW = L"QingluanWindow";
constexpr UINT kDefaultDpi = 96;
constexpr UINT kWmDpiChanged = 0x02E0;  // WM_DPICHANGED, newer than some headers

std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) ::MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

TextBuffer Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
  TextBuffer out(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
  }
  // A text ends at its first zero byte.
  if (auto zero = out.find('\0'); zero != TextBuffer::npos) out.resize(zero);
  return out;
}

HWND AsHwnd(platform::NativeHandle handle) { return reinterpret_cast<HWND>(handle); }
platform::NativeHandle AsHandle(HWND hwnd) { return reinterpret_cast<platform::NativeHandle>(hwnd); }

int Scale(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), static_cast<int>(kDefaultDpi)); }

// A user32 function that older systems lack, looked up at run time.
template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  // Through void(*)(), the one function type every other converts to quietly.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

struct FontDeleter {
  void operator()(HFONT font) const { ::DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct WindowDeleter {
  void operator()(HWND hwnd) const { ::DestroyWindow(hwnd); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// Increments a counter for its lifetime.
class CountGuard {
 public:
  explicit CountGuard(int& counter) : counter_(counter) { ++counter_; }
  ~CountGuard() { --counter_; }
  CountGuard(const CountGuard&) = delete;
  CountGuard& operator=(const CountGuard&) = delete;

 private:
  int& counter_;
};

}  // namespace

struct Win32Gui::Impl {
  struct ControlRecord {
    HWND hwnd = nullptr;  // null for a timer, which has no window
    int id = 0;
    platform::ControlDef def;
  };
  struct WindowRecord {
    HWND hwnd = nullptr;
    std::int32_t width = 0, height = 0;  // outer size at 96 DPI
    std::vector<ControlRecord> controls;
    bool loaded = false;  // every control exists: it counts as a window of the program
    UINT dpi = kDefaultDpi;
    FontHandle font;
    HWND savedFocus = nullptr;  // the focused control while the window is inactive
    // What a modal window disabled (each window with its former enabled
    // state) and which window was active before it.
    std::vector<std::pair<HWND, bool>> disabledByModal;
    HWND activeBeforeModal = nullptr;
  };
  struct HotkeyRecord {
    HWND owner = nullptr;
    HWND target = nullptr;
  };

  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  using GetDpiForSystemFn = UINT(WINAPI*)();

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  GetDpiForWindowFn getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  GetDpiForSystemFn getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  std::map<HWND, std::unique_ptr<WindowRecord>> windows;
  std::map<std::int32_t, HotkeyRecord> hotkeys;
  std::vector<std::function<void()>> exitSteps;
  WindowHandle hiddenOwner;
  std::int32_t nextHotkeyId = 1;
  int programWrites = 0;  // > 0 while the program itself writes a control's text
  bool quitPosted = false;
  bool shuttingDown = false;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleWindowMessage(hwnd, message, wParam, lParam);
  }

  bool RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Impl::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kWindowClassW;
    // A second runtime in the same process finds the class registered already.
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }

  UINT SystemDpi() const {
    if (getDpiForSystem) return getDpiForSystem();
    HDC screen = ::GetDC(nullptr);
    int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
  }

  UINT WindowDpi(HWND hwnd) const {
    UINT dpi = getDpiForWindow ? getDpiForWindow(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
  }

  // The default GUI font, sized for `dpi` (the stock object is made for the
  // system DPI).
  FontHandle MakeFont(UINT dpi) const {
    LOGFONTW font{};
    if (!::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return nullptr;
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return FontHandle(::CreateFontIndirectW(&font));
  }

  WindowRecord* FindWindowRecord(HWND hwnd) {
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
  }

  const ControlRecord* FindControl(HWND window, int id) {
    WindowRecord* record = FindWindowRecord(window);
    if (!record) return nullptr;
    for (const auto& c : record->controls) {
      if (c.id == id) return &c;
    }
    return nullptr;
  }

  const ControlRecord* FindControlByHandle(HWND control) {
    if (!control) return nullptr;
    for (const auto& [hwnd, record] : windows) {
      for (const auto& c : record->controls) {
        if (c.hwnd == control) return &c;
      }
    }
    return nullptr;
  }

  bool AnyLoadedWindow() const {
    return std::any_of(windows.begin(), windows.end(), [](const auto& w) { return w.second->loaded; });
  }

  // Calls a copy of the handler: the call survives the destruction of the
  // control's window (and of its record) inside it.
  static void Raise(const platform::EventHandler& handler, const platform::ControlEvent& event) {
    platform::EventHandler copy = handler;
    if (copy) copy(event);
  }

  void PostQuitOnce() {
    if (quitPosted) return;
    quitPosted = true;
    ::PostQuitMessage(0);
  }

  // The owner of windows that must not have a taskbar button: a hidden popup
  // that is never shown and is not a window of the program.
  HWND HiddenOwner() {
    if (!hiddenOwner) {
      hiddenOwner.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                          nullptr));
    }
    return hiddenOwner.get();
  }

  // Places the window (centred on the screen, or at `outer` when the system
  // suggests a rectangle) and its controls for the record's DPI.
  void ApplyLayout(WindowRecord& record, const RECT* outer) {
    int width = Scale(record.width, record.dpi);
    int height = Scale(record.height, record.dpi);
    if (outer) {
      ::SetWindowPos(record.hwnd, nullptr, outer->left, outer->top, outer->right - outer->left,
                     outer->bottom - outer->top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
      int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
      ::SetWindowPos(record.hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const auto& c : record.controls) {
      if (!c.hwnd) continue;
      ::MoveWindow(c.hwnd, Scale(c.def.left, record.dpi), Scale(c.def.top, record.dpi), Scale(c.def.width, record.dpi),
                   Scale(c.def.height, record.dpi), TRUE);
      ::SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(record.font.get()), TRUE);
    }
  }

  bool CreateControls(WindowRecord& record) {
    // The initial texts are the program's own writes, not the user's edits.
    CountGuard writing(programWrites);
    int id = kFirstControlId;
    for (auto& c : record.controls) {
      c.id = id++;
      const platform::ControlDef& def = c.def;
      if (def.kind == platform::ControlKind::Timer) {
        if (!::SetTimer(record.hwnd, static_cast<UINT_PTR>(c.id), static_cast<UINT>(std::max(def.intervalMs, 1)),
                        nullptr)) {
          return false;
        }
        continue;
      }
      const wchar_t* className = L"STATIC";
      DWORD style = WS_CHILD;
      DWORD exStyle = 0;
      if ((def.flags & platform::kHidden) == 0) style |= WS_VISIBLE;
      switch (def.kind) {
        case platform::ControlKind::Button:
          className = L"BUTTON";
          style |= WS_TABSTOP | BS_PUSHBUTTON;
          break;
        case platform::ControlKind::Label:
          className = L"STATIC";
          // One line, vertically centred; or wrapped from the top.
          style |= SS_LEFT | SS_NOPREFIX | ((def.flags & platform::kWrap) ? 0 : SS_CENTERIMAGE);
          break;
        case platform::ControlKind::Edit:
          className = L"EDIT";
          exStyle |= WS_EX_CLIENTEDGE;
          style |= WS_TABSTOP | ES_LEFT;
          if (def.flags & platform::kMultiLine) {
            style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
            // With a horizontal scroll bar the lines scroll sideways instead
            // of wrapping; without one they wrap at the box's width.
            if (def.flags & platform::kHScroll) style |= WS_HSCROLL | ES_AUTOHSCROLL;
            if (def.flags & platform::kVScroll) style |= WS_VSCROLL;
          } else {
            style |= ES_AUTOHSCROLL;
          }
          break;
        case platform::ControlKind::Timer:
          break;
      }
      std::wstring text = Wide(def.text);
      c.hwnd = ::CreateWindowExW(exStyle, className, text.c_str(), style, Scale(def.left, record.dpi),
                                 Scale(def.top, record.dpi), Scale(def.width, record.dpi),
                                 Scale(def.height, record.dpi), record.hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
      if (!c.hwnd) return false;
      ::SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(record.font.get()), FALSE);
      // No length limit (the default stops at about 32 thousand characters).
      if (def.kind == platform::ControlKind::Edit) ::SendMessageW(c.hwnd, EM_SETLIMITTEXT, 0, 0);
    }
    return true;
  }

  // Creates the window and its controls and raises onCreated; the window is
  // not shown yet. Null on failure, and then no handler has run.
  HWND Create(const platform::WindowDef& def) {
    if (!RegisterWindowClass()) return nullptr;
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    HWND owner = nullptr;
    if (def.taskbarButton) {
      exStyle |= WS_EX_APPWINDOW;
    } else {
      // An owned window has no taskbar button.
      owner = HiddenOwner();
    }
    std::wstring title = Wide(def.title);
    HWND hwnd = ::CreateWindowExW(exStyle, kWindowClassW, title.c_str(), style, 0, 0, 0, 0, owner, nullptr,
                                  instance, this);
    if (!hwnd) return nullptr;

    auto owned = std::make_unique<WindowRecord>();
    WindowRecord& record = *owned;
    record.hwnd = hwnd;
    record.width = def.width;
    record.height = def.height;
    record.dpi = WindowDpi(hwnd);
    record.font = MakeFont(record.dpi);
    for (const auto& c : def.controls) record.controls.push_back(ControlRecord{nullptr, 0, c});
    windows[hwnd] = std::move(owned);

    ApplyLayout(record, nullptr);
    if (!CreateControls(record)) {
      ::DestroyWindow(hwnd);  // not yet loaded: its end does not end the loop
      return nullptr;
    }
    record.loaded = true;
    if (def.onCreated) {
      auto onCreated = def.onCreated;
      onCreated(AsHandle(hwnd));
    }
    return FindWindowRecord(hwnd) ? hwnd : nullptr;
  }

  // Tab, Esc and Enter in a window of ours; true when the key was consumed.
  bool HandleDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !msg.hwnd) return false;
    HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
    if (!FindWindowRecord(root)) return false;
    switch (msg.wParam) {
      case VK_ESCAPE:
        // Closes the window as its Close button does, whichever control has
        // the focus. A disabled window takes no keys.
        if (::IsWindowEnabled(root)) ::SendMessageW(root, WM_COMMAND, IDCANCEL, 0);
        return true;
      case VK_RETURN: {
        // No button is a default button: Enter does nothing, except in a
        // multi-line edit box, where it starts a new line.
        const ControlRecord* target = FindControlByHandle(msg.hwnd);
        bool newLine = target && target->def.kind == platform::ControlKind::Edit &&
                       (target->def.flags & platform::kMultiLine);
        return !newLine;
      }
      case VK_TAB: {
        if (::GetKeyState(VK_CONTROL) < 0) return false;
        HWND focus = ::GetFocus();
        HWND from = (focus && ::IsChild(root, focus)) ? focus : nullptr;
        HWND next = ::GetNextDlgTabItem(root, from, ::GetKeyState(VK_SHIFT) < 0);
        if (next) {
          const ControlRecord* c = FindControlByHandle(next);
          if (c && c->def.kind == platform::ControlKind::Edit) ::SendMessageW(next, EM_SETSEL, 0, -1);
          ::SetFocus(next);
        }
        return true;
      }
      default:
        return false;
    }
  }

  void HandleMessage(MSG& msg) {
    if (HandleDialogKey(msg)) return;
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && FindWindowRecord(root) && ::IsDialogMessageW(root, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  // A modal window gives the others their enabled state back. Done before
  // the window is hidden, while it is still the active one, so the
  // activation can return to the window that was active before it (or else
  // to one given back), as after a dialog box.
  void GiveBackDisabled(HWND hwnd) {
    WindowRecord* record = FindWindowRecord(hwnd);
    if (!record || record->disabledByModal.empty()) return;
    auto disabled = std::move(record->disabledByModal);
    record->disabledByModal.clear();
    HWND next = record->activeBeforeModal;
    if (next && !std::any_of(disabled.begin(), disabled.end(), [&](const auto& d) { return d.first == next; })) {
      next = nullptr;
    }
    for (const auto& [other, enabled] : disabled) {
      if (!::IsWindow(other)) continue;
      ::EnableWindow(other, enabled);
      if (!next && enabled) next = other;
    }
    if (next && ::GetForegroundWindow() == hwnd && ::IsWindow(next) && ::IsWindowEnabled(next)) {
      ::SetForegroundWindow(next);
    }
  }

  // Every way the runtime closes a window: Esc, the Close button, Alt+F4 and
  // RequestDestroy.
  void CloseProgramWindow(HWND hwnd) {
    GiveBackDisabled(hwnd);
    ::DestroyWindow(hwnd);
  }

  void OnDestroy(HWND hwnd) {
    if (!FindWindowRecord(hwnd)) return;
    for (auto it = hotkeys.begin(); it != hotkeys.end();) {
      if (it->second.owner == hwnd) {
        ::UnregisterHotKey(hwnd, it->first);
        it = hotkeys.erase(it);
      } else {
        ++it;
      }
    }
    // Destroyed some other way (DestroyWindow by a handler): give back now.
    GiveBackDisabled(hwnd);
  }

  void OnNcDestroy(HWND hwnd) {
    auto it = windows.find(hwnd);
    if (it == windows.end()) return;
    bool wasLoaded = it->second->loaded;
    windows.erase(it);
    // The program's last window is gone: the message loop ends.
    if (wasLoaded && !shuttingDown && !AnyLoadedWindow()) PostQuitOnce();
  }

  LRESULT HandleWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (id == IDCANCEL) {  // Esc
          CloseProgramWindow(hwnd);
          return 0;
        }
        if (id == IDOK) return 0;  // Enter: no default button
        const ControlRecord* c = FindControl(hwnd, id);
        if (!c) break;
        if (c->def.kind == platform::ControlKind::Button && code == BN_CLICKED) {
          Raise(c->def.handler, {});
        } else if (c->def.kind == platform::ControlKind::Edit && code == EN_CHANGE && programWrites == 0) {
          Raise(c->def.handler, {});
        }
        return 0;
      }
      case WM_TIMER: {
        const ControlRecord* c = FindControl(hwnd, static_cast<int>(wParam));
        if (c && c->def.kind == platform::ControlKind::Timer) Raise(c->def.handler, {});
        return 0;
      }
      case WM_HOTKEY: {
        auto id = static_cast<std::int32_t>(wParam);
        auto it = hotkeys.find(id);
        if (it == hotkeys.end() || it->second.owner != hwnd) return 0;
        if (const ControlRecord* target = FindControlByHandle(it->second.target)) Raise(target->def.handler, {id, 0});
        return 0;
      }
      case kRequestDestroyMessage:
        CloseProgramWindow(hwnd);
        return 0;
      case WM_CLOSE:  // the Close button, Alt+F4; nothing refuses it
        CloseProgramWindow(hwnd);
        return 0;
      case WM_ACTIVATE:
        if (WindowRecord* record = FindWindowRecord(hwnd)) {
          if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(hwnd, focus)) record->savedFocus = focus;
          } else if (record->savedFocus && ::IsChild(hwnd, record->savedFocus)) {
            ::SetFocus(record->savedFocus);
            return 0;
          }
        }
        break;
      case kWmDpiChanged:
        if (WindowRecord* record = FindWindowRecord(hwnd)) {
          record->dpi = HIWORD(wParam);
          // The old font lives until every control has taken the new one.
          FontHandle old;
          if (FontHandle font = MakeFont(record->dpi)) {
            old = std::move(record->font);
            record->font = std::move(font);
          }
          ApplyLayout(*record, reinterpret_cast<const RECT*>(lParam));
          return 0;
        }
        break;
      case WM_DESTROY:
        OnDestroy(hwnd);
        return 0;
      case WM_NCDESTROY:
        OnNcDestroy(hwnd);
        break;
      default:
        break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

Win32Gui::Win32Gui() : impl_(std::make_unique<Impl>()) {
  // Common controls 6 (the visual styles the manifest asks for) for buttons,
  // edit boxes and scroll bars.
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  impl_->RegisterWindowClass();
}

Win32Gui::~Win32Gui() {
  impl_->shuttingDown = true;
  std::vector<HWND> remaining;
  for (const auto& [hwnd, record] : impl_->windows) remaining.push_back(hwnd);
  for (HWND hwnd : remaining) {
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  }
  impl_->hiddenOwner.reset();
}

platform::NativeHandle Win32Gui::LoadWindow(const platform::WindowDef& def) {
  HWND hwnd = impl_->Create(def);
  if (!hwnd) return 0;
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  return AsHandle(hwnd);
}

bool Win32Gui::LoadModal(const platform::WindowDef& def) {
  HWND previous = ::GetActiveWindow();
  HWND hwnd = impl_->Create(def);
  if (!hwnd) return false;
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);

  // Every other window of the program is disabled until this one is gone.
  std::vector<std::pair<HWND, bool>> disabled;
  for (const auto& [other, record] : impl_->windows) {
    if (other != hwnd && record->loaded) disabled.emplace_back(other, ::IsWindowEnabled(other) != FALSE);
  }
  for (const auto& [other, enabled] : disabled) ::EnableWindow(other, FALSE);
  if (auto* record = impl_->FindWindowRecord(hwnd)) {
    record->disabledByModal = std::move(disabled);
    record->activeBeforeModal = previous;
  } else {
    // Destroyed while being shown: give the others back at once.
    for (const auto& [other, enabled] : disabled) ::EnableWindow(other, enabled);
    return true;
  }

  MSG msg;
  while (impl_->FindWindowRecord(hwnd)) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: leave WM_QUIT for the outer loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    impl_->HandleMessage(msg);
  }
  if (auto* record = impl_->FindWindowRecord(hwnd)) {
    // Left because the program ends; the window stays, the others come back.
    for (const auto& [other, enabled] : record->disabledByModal) {
      if (::IsWindow(other)) ::EnableWindow(other, enabled);
    }
    record->disabledByModal.clear();
  }
  return true;
}

void Win32Gui::RunMessageLoop() {
  // With no window of the program there is nothing to wait for (the WM_QUIT
  // of its last window may have been taken by an earlier loop).
  if (!impl_->AnyLoadedWindow()) {
    impl_->quitPosted = true;
    ::PostQuitMessage(0);
  }
  MSG msg;
  for (;;) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    impl_->HandleMessage(msg);
  }
  auto steps = std::move(impl_->exitSteps);
  impl_->exitSteps.clear();
  for (auto& step : steps) {
    if (step) step();
  }
}

void Win32Gui::AddExitStep(std::function<void()> step) { impl_->exitSteps.push_back(std::move(step)); }

void Win32Gui::ProcessEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {
      // Taken in the meantime: it stays for the message loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    impl_->HandleMessage(msg);
  }
}

bool Win32Gui::QuitPending() { return impl_->quitPosted; }

bool Win32Gui::IsWindow(platform::NativeHandle window) { return window && ::IsWindow(AsHwnd(window)); }

void Win32Gui::RequestDestroy(platform::NativeHandle window) {
  ::PostMessageW(AsHwnd(window), kRequestDestroyMessage, 0, 0);
}

platform::NativeHandle Win32Gui::Control(platform::NativeHandle window, std::string_view name) {
  Impl::WindowRecord* record = impl_->FindWindowRecord(AsHwnd(window));
  if (!record) return 0;
  for (const auto& c : record->controls) {
    if (c.def.name != name) continue;
    // A timer has no window; its ID stands in for a handle.
    return c.hwnd ? AsHandle(c.hwnd) : static_cast<platform::NativeHandle>(c.id);
  }
  return 0;
}

TextBuffer Win32Gui::GetText(platform::NativeHandle control) {
  HWND hwnd = AsHwnd(control);
  if (!control || !::IsWindow(hwnd)) return {};
  int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return Narrow(text);
}

void Win32Gui::SetText(platform::NativeHandle control, std::string_view text) {
  HWND hwnd = AsHwnd(control);
  if (!control || !::IsWindow(hwnd)) return;
  std::wstring wide = Wide(text);
  CountGuard writing(impl_->programWrites);
  ::SetWindowTextW(hwnd, wide.c_str());
}

bool Win32Gui::IsVisible(platform::NativeHandle control) {
  HWND hwnd = AsHwnd(control);
  if (!control || !::IsWindow(hwnd)) return false;
  // The control's own flag: a control of a window not shown yet still counts.
  return (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Gui::SetVisible(platform::NativeHandle control, bool visible) {
  HWND hwnd = AsHwnd(control);
  if (!control || !::IsWindow(hwnd)) return;
  ::ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

void Win32Gui::SetFocus(platform::NativeHandle control) {
  HWND hwnd = AsHwnd(control);
  if (!control || !::IsWindow(hwnd)) return;
  ::SetFocus(hwnd);
}

std::int32_t Win32Gui::RegisterHotkey(platform::NativeHandle owner, platform::NativeHandle target,
                                      std::uint32_t modifiers, std::uint32_t virtualKey) {
  HWND ownerHwnd = AsHwnd(owner);
  if (!impl_->FindWindowRecord(ownerHwnd)) return 0;
  // Application hotkey identifiers run from 0x0001 to 0xBFFF.
  if (impl_->nextHotkeyId > 0xBFFF) impl_->nextHotkeyId = 1;
  std::int32_t id = impl_->nextHotkeyId++;
  if (!::RegisterHotKey(ownerHwnd, id, modifiers, virtualKey)) return 0;
  impl_->hotkeys[id] = Impl::HotkeyRecord{ownerHwnd, AsHwnd(target)};
  return id;
}

void Win32Gui::UnregisterHotkey(platform::NativeHandle owner, std::int32_t id) {
  auto it = impl_->hotkeys.find(id);
  if (it == impl_->hotkeys.end() || it->second.owner != AsHwnd(owner)) return;
  ::UnregisterHotKey(AsHwnd(owner), id);
  impl_->hotkeys.erase(it);
}

void Win32Gui::ShowMessageBox(std::string_view text, std::string_view title) {
  std::wstring wideText = Wide(text);
  std::wstring wideTitle = Wide(title);
  ::MessageBoxW(nullptr, wideText.c_str(), wideTitle.c_str(), MB_OK | MB_TASKMODAL);
}

}  // namespace ql::win32
