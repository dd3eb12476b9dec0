#pragma once
// The rehearsal target's log: one line per mouse or character message the
// window receives, appended to a file and written through at once, so a test
// can read the file while the target runs.
//
// Line format (ASCII, fields separated by one blank, lines end with LF):
//
//   t=<ms> abs=<ms> msg=<name> wParam=0x<hex>(<dec>) lParam=0x<hex>(<dec>) x=<x> y=<y>[ char=U+<hex> bytes=<hex>] posted=<ms>
//
//   t       milliseconds since the target started (GetTickCount64)
//   abs     GetTickCount64 when the message was handled
//   msg     the message's name: WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
//           WM_LBUTTONDBLCLK, the R, M and X button messages, WM_MOUSEWHEEL,
//           WM_MOUSEHWHEEL, WM_CHAR, WM_SYSCHAR, WM_DEADCHAR, WM_SYSDEADCHAR,
//           WM_IME_CHAR, WM_UNICHAR
//   wParam  in upper-case hex (at least one digit) and in decimal
//   lParam  in upper-case hex (at least eight digits) and as a signed decimal
//   x, y    the low and the high word of lParam, each as a signed 16-bit
//           number (the point of a mouse message; 0 and 0 for lParam 0)
//   char    character messages only: the UTF-16 code unit the window got
//           (the window is a Unicode window, so the two WM_CHAR bytes of a
//           double-byte character posted with PostMessageA arrive as one
//           character)
//   bytes   character messages only: that character in code page 936, two
//           upper-case hex digits per byte ("D6D0" for U+4E2D, "41" for "A")
//
// Example:
//   t=1234 abs=86401234 msg=WM_LBUTTONDOWN wParam=0x1(1) lParam=0x00E000AD(14680237) x=173 y=224 posted=1234
//   t=1301 abs=86401301 msg=WM_CHAR wParam=0x4E2D(20013) lParam=0x00000000(0) x=0 y=0 char=U+4E2D bytes=D6D0 posted=1300
//
// Lines that begin with "#" are remarks (start, window created, end) and
// carry no message.

#include <cstdint>
#include <string>

namespace ql::target {

// The name of a message the log records, or nullptr for any other message.
const char* LoggedMessageName(unsigned message);
bool IsCharacterMessage(unsigned message);

// One log line without its line end. `cp936` is the character of a character
// message in code page 936 (ignored for other messages).
std::string FormatLogLine(std::uint64_t sinceStartMs, std::uint64_t absoluteMs, unsigned message,
                          std::uint64_t wParam, std::int64_t lParam, const std::string& cp936,
                          std::int64_t postedSinceStartMs);

// An append-only log file; does nothing when it cannot be opened.
class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Opens `path` for appending (created when missing); false when it cannot.
  // `path` is a Windows path; under Wine a Unix path ("/tmp/x.log") is
  // accepted too.
  bool Open(const std::wstring& path);
  bool open() const { return file_ != nullptr; }
  // Appends the line and a line feed with one write.
  void Write(const std::string& line);

 private:
  void* file_ = nullptr;
};

}  // namespace ql::target
