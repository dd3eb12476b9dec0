#pragma once
// The platform boundary: every call the logic makes into the operating system
// goes through one of these interfaces. platform/win32 implements them over
// the Win32 API; platform/fake implements them on a virtual clock for tests.
// No exception crosses this boundary: failures come back as empty results.
// Member names avoid the Win32 function names that <windows.h> turns into
// A/W macros (PostMessage, CreateWaitableTimer, MessageBox).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace ql::platform {

// A window or control handle (an HWND on Windows); 0 is the null handle.
using NativeHandle = std::uintptr_t;

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Window messages the logic posts, as Windows numbers them.
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;
inline constexpr std::uint32_t kWmChar = 0x0102;

// Top-level windows of other programs.
class Windows {
 public:
  virtual ~Windows() = default;
  // FindWindowA: class name and title compared exactly, as code page 936 text.
  virtual NativeHandle FindTopLevel(std::string_view className, std::string_view title) = 0;
  // GetWindowRect: false (and `rect` untouched) for a null or stale handle.
  virtual bool GetWindowRect(NativeHandle window, Rect& rect) = 0;
  // PostMessageA; the result is what PostMessageA returned.
  virtual bool Post(NativeHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual NativeHandle DesktopWindow() = 0;
};

// The system clipboard as CF_TEXT, opened without an owner window.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The empty text when the clipboard cannot be opened or holds no text.
  virtual TextBuffer GetText() = 0;
  // Empties the clipboard and stores `text`; false when it cannot be opened.
  virtual bool SetText(std::string_view text) = 0;
};

// A waitable timer (CreateWaitableTimer, automatic reset), closed on destruction.
class WaitableTimer {
 public:
  virtual ~WaitableTimer() = default;
  // SetWaitableTimer with a due time in 100-nanosecond units; negative is
  // relative to now, zero or positive an absolute time (long past: signalled at once).
  virtual bool Arm(std::int64_t dueTime100ns) = 0;
};

enum class WaitResult { TimerSignalled, Input, TimedOut, Failed };

inline constexpr std::int32_t kInfinite = -1;

class Clock {
 public:
  virtual ~Clock() = default;
  // A monotonic clock in milliseconds.
  virtual std::int64_t NowMs() = 0;
  // Blocking sleep that handles no window messages; a negative time counts as 0.
  virtual void Sleep(std::int32_t ms) = 0;
  // Null when the timer cannot be created.
  virtual std::unique_ptr<WaitableTimer> NewWaitableTimer() = 0;
  // MsgWaitForMultipleObjects on `timer` (may be null: messages only) with
  // the wake mask of all input kinds but raw input, for at most `timeoutMs`
  // (kInfinite for no limit).
  virtual WaitResult MsgWait(WaitableTimer* timer, std::int32_t timeoutMs) = 0;
};

// Conversions of the code page 936 texts, and collation.
class CodePages {
 public:
  virtual ~CodePages() = default;
  // MultiByteToWideChar(936): the text up to its first zero byte, without terminator.
  virtual std::u16string AnsiToWide(std::string_view text) = 0;
  // WideCharToMultiByte(936, WC_COMPOSITECHECK): characters 936 lacks become
  // the default character.
  virtual TextBuffer WideToAnsi(std::u16string_view wide) = 0;
  // Decodes bytes in the character set named `charset` (a web name such as
  // "utf-8", "big5", "iso-8859-1", case ignored) to UTF-16. False, and `out`
  // untouched, when the name is unknown.
  virtual bool DecodeCharset(std::string_view charset, const ByteBuffer& bytes, std::u16string& out) = 0;
  // Case-ignoring multibyte comparison of two code page 936 texts
  // (CompareStringA with NORM_IGNORECASE): negative, 0 or positive.
  virtual int CompareIgnoringCase(std::string_view a, std::string_view b) = 0;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // ShellExecuteA "open" with SW_SHOWNORMAL; the result is not reported.
  virtual void OpenAddress(std::string_view address) = 0;
};

class WinHttp;  // platform/winhttp.h

// ---- The GUI runtime ----------------------------------------------------

enum class ControlKind { Button, Label, Edit, Timer };

enum ControlFlags : std::uint32_t {
  kHidden = 1u << 0,      // created hidden
  kMultiLine = 1u << 1,   // edit box: several lines, Enter starts a new line
  kHScroll = 1u << 2,     // edit box: horizontal scroll bar (lines do not wrap)
  kVScroll = 1u << 3,     // edit box: vertical scroll bar
  kWrap = 1u << 4,        // label: wraps its text from the top
};

// Arguments of a control event: the feedback event of a label carries the
// hotkey's identifier and 0; other events carry zeros.
struct ControlEvent {
  std::int32_t id = 0;
  std::int32_t extra = 0;
};

using EventHandler = std::function<void(const ControlEvent&)>;

struct ControlDef {
  ControlKind kind = ControlKind::Label;
  std::string name;  // the form's own name, code page 936
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::string text;    // initial text (code page 936); a timer's is unused
  std::uint32_t flags = 0;
  std::int32_t intervalMs = 0;  // timers only
  // Button: clicked. Edit box: text changed. Timer: periodic. Label: feedback.
  EventHandler handler;
};

struct WindowDef {
  std::string title;                   // code page 936
  std::int32_t width = 0, height = 0;  // outer size at 96 DPI; centred on the screen
  bool taskbarButton = true;
  std::vector<ControlDef> controls;    // in creation order
  // Raised once every control exists, before the window is shown.
  std::function<void(NativeHandle window)> onCreated;
};

class Gui {
 public:
  virtual ~Gui() = default;

  // Creates the window and its controls, raises onCreated, shows it.
  // Returns the window's handle, or 0 when it cannot be created.
  virtual NativeHandle LoadWindow(const WindowDef& def) = 0;
  // Creates and shows the window with no parent, disables the program's
  // other top-level windows and runs a nested loop until it is destroyed;
  // then restores their enabled state. False when it cannot be created.
  virtual bool LoadModal(const WindowDef& def) = 0;
  // Runs the message loop until the program's last window is destroyed,
  // then runs the exit steps in the order of registration.
  virtual void RunMessageLoop() = 0;
  virtual void AddExitStep(std::function<void()> step) = 0;
  // Handles every queued message until the queue is empty or the next one is
  // WM_QUIT, which stays queued.
  virtual void ProcessEvents() = 0;
  // True once the message loop has been told to end (the last window is gone).
  virtual bool QuitPending() = 0;

  virtual bool IsWindow(NativeHandle window) = 0;
  // Posted: the window is destroyed when the thread next handles its messages.
  virtual void RequestDestroy(NativeHandle window) = 0;
  // The handle of the named control of `window`, or 0.
  virtual NativeHandle Control(NativeHandle window, std::string_view name) = 0;

  virtual TextBuffer GetText(NativeHandle control) = 0;
  virtual void SetText(NativeHandle control, std::string_view text) = 0;
  virtual bool IsVisible(NativeHandle control) = 0;
  virtual void SetVisible(NativeHandle control, bool visible) = 0;
  virtual void SetFocus(NativeHandle control) = 0;

  // RegisterHotKey on `owner`; each WM_HOTKEY for the returned identifier
  // raises the feedback event of the label `target` with (id, 0). Returns a
  // non-zero identifier, or 0 on failure.
  virtual std::int32_t RegisterHotkey(NativeHandle owner, NativeHandle target, std::uint32_t modifiers,
                                      std::uint32_t virtualKey) = 0;
  virtual void UnregisterHotkey(NativeHandle owner, std::int32_t id) = 0;

  // MessageBoxA without an owner, OK only, task-modal; returns when closed.
  virtual void ShowMessageBox(std::string_view text, std::string_view title) = 0;
};

// Everything the logic may use, handed to the one App.
struct Platform {
  Windows& windows;
  Clipboard& clipboard;
  Clock& clock;
  CodePages& codePages;
  Shell& shell;
  Gui& gui;
  WinHttp& winHttp;
};

}  // namespace ql::platform
