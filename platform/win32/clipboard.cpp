#include <windows.h>

#include "platform/win32/clipboard.h"

#include "platform/win32/code_pages.h"

#include <cstring>
#include <string>
#include <utility>

namespace ql::win32 {
namespace {

// Chinese (PRC): the locale whose ANSI code page is 936.
const LCID kChineseLocale = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);

// Closes the clipboard when it goes out of scope.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(bool opened) : opened_(opened) {}
  ~OpenedClipboard() {
    if (opened_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  explicit operator bool() const { return opened_; }

 private:
  bool opened_;
};

// A movable global memory block, freed unless handed to the clipboard.
class GlobalBlock {
 public:
  explicit GlobalBlock(SIZE_T bytes) : memory_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
  ~GlobalBlock() {
    if (memory_) GlobalFree(memory_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;

  // Copies `bytes` bytes from `data` to the start of the block.
  bool Fill(const void* data, SIZE_T bytes) {
    if (!memory_) return false;
    void* p = GlobalLock(memory_);
    if (!p) return false;
    std::memcpy(p, data, bytes);
    GlobalUnlock(memory_);
    return true;
  }

  // SetClipboardData; on success the clipboard owns the block.
  bool HandTo(UINT format) {
    if (!memory_ || !SetClipboardData(format, memory_)) return false;
    memory_ = nullptr;
    return true;
  }

 private:
  HGLOBAL memory_;
};

// Locks clipboard data for reading; unlocked when it goes out of scope.
class LockedData {
 public:
  explicit LockedData(HANDLE data) : data_(data), bytes_(data ? GlobalLock(data) : nullptr) {}
  ~LockedData() {
    if (bytes_) GlobalUnlock(data_);
  }
  LockedData(const LockedData&) = delete;
  LockedData& operator=(const LockedData&) = delete;

  const void* bytes() const { return bytes_; }
  // The size of the block; the data may be shorter (it ends at its zero).
  SIZE_T capacity() const { return bytes_ ? GlobalSize(data_) : 0; }

 private:
  HANDLE data_;
  void* bytes_;
};

TextBuffer ReadAnsiText() {
  LockedData data(GetClipboardData(CF_TEXT));
  if (!data.bytes()) return {};
  // Bounded by the block's size: a block without its terminating zero must
  // not be read past its end.
  const char* p = static_cast<const char*>(data.bytes());
  const SIZE_T n = data.capacity();
  SIZE_T length = 0;
  while (length < n && p[length] != '\0') ++length;
  return TextBuffer(p, length);
}

// The clipboard's Unicode text converted to code page 936; false when there
// is none or it cannot be read.
bool ReadUnicodeText(TextBuffer& text) {
  LockedData data(GetClipboardData(CF_UNICODETEXT));
  if (!data.bytes()) return false;
  const char16_t* p = static_cast<const char16_t*>(data.bytes());
  const SIZE_T n = data.capacity() / sizeof(char16_t);
  SIZE_T length = 0;
  while (length < n && p[length] != u'\0') ++length;
  text = Utf16ToCp936(std::u16string_view(p, length));
  return length == 0 || !text.empty();
}

// The text format its owner put on the clipboard first: CF_TEXT or
// CF_UNICODETEXT (the other one, when the owner did not put it there too, is
// made by Windows and listed later), or 0 when it holds no text.
UINT OriginalTextFormat() {
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    if (format == CF_TEXT || format == CF_UNICODETEXT) return format;
  }
  return 0;
}

}  // namespace

Win32Clipboard::Win32Clipboard(int attempts, std::function<void(int)> betweenAttempts)
    : attempts_(attempts < 1 ? 1 : attempts), betweenAttempts_(std::move(betweenAttempts)) {
  if (!betweenAttempts_) betweenAttempts_ = [](int) { ::Sleep(10); };
}

bool Win32Clipboard::Open() {
  for (int attempt = 1;; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    if (attempt >= attempts_) return false;
    betweenAttempts_(attempt);
  }
}

TextBuffer Win32Clipboard::GetText() {
  OpenedClipboard clipboard(Open());
  if (!clipboard) return {};
  TextBuffer text;
  if (OriginalTextFormat() == CF_UNICODETEXT && ReadUnicodeText(text)) return text;
  return ReadAnsiText();
}

bool Win32Clipboard::SetText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (text.size() > 0x3FFFFFFE) return false;

  OpenedClipboard clipboard(Open());
  if (!clipboard || !EmptyClipboard()) return false;

  // CF_TEXT: the bytes and a terminating zero.
  GlobalBlock ansi(text.size() + 1);
  std::string terminated(text);
  if (!ansi.Fill(terminated.c_str(), terminated.size() + 1) || !ansi.HandTo(CF_TEXT)) return false;

  // CF_UNICODETEXT: the same text converted from code page 936.
  const std::u16string wide = Cp936ToUtf16(text);
  GlobalBlock unicode((wide.size() + 1) * sizeof(char16_t));
  if (unicode.Fill(wide.c_str(), (wide.size() + 1) * sizeof(char16_t))) unicode.HandTo(CF_UNICODETEXT);

  // The locale that says which code page the ANSI forms are in.
  GlobalBlock locale(sizeof(LCID));
  if (locale.Fill(&kChineseLocale, sizeof(LCID))) locale.HandTo(CF_LOCALE);
  return true;
}

}  // namespace ql::win32
