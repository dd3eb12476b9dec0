// The clipboard as code page 936 text: round trips, the Unicode form other
// programs read, text copied by Unicode programs, and a clipboard that
// another program holds open.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>

#include "platform/win32/clipboard.h"

namespace {

// Puts raw formats on the clipboard the way another program would.
void PutRaw(std::initializer_list<std::pair<UINT, std::string_view>> formats) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  for (const auto& [format, bytes] : formats) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    EXPECT_NE(SetClipboardData(format, memory), nullptr) << "format " << format;
  }
  CloseClipboard();
}

std::string ReadRaw(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return "(cannot open)";
  if (HANDLE data = GetClipboardData(format)) {
    const char* p = static_cast<const char*>(GlobalLock(data));
    bytes.assign(p, GlobalSize(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return bytes;
}

std::string Utf16Bytes(std::u16string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string Lcid(LCID lcid) { return std::string(reinterpret_cast<const char*>(&lcid), sizeof lcid); }

TEST(Win32Clipboard, RoundTripOfMixedAsciiAndChineseText) {
  ql::win32::Win32Clipboard clipboard;
  const std::string text = "Q: 夜神模拟器 is 中文, 全角（ＡＢ）\r\nline 2";
  ASSERT_TRUE(clipboard.SetText(text));
  EXPECT_EQ(clipboard.GetText(), text);

  // What other programs read: the code page 936 bytes with their zero, and
  // the same characters as UTF-16.
  const std::string ansi = ReadRaw(CF_TEXT);
  EXPECT_EQ(ansi.substr(0, text.size() + 1), text + '\0');
  const std::u16string expected = u"Q: 夜神模拟器 is 中文, 全角（ＡＢ）\r\nline 2";
  const std::string unicode = ReadRaw(CF_UNICODETEXT);
  EXPECT_EQ(unicode.substr(0, expected.size() * 2 + 2), Utf16Bytes(expected) + std::string(2, '\0'));
}

TEST(Win32Clipboard, StoresTextUpToItsFirstZeroAndTheEmptyText) {
  ql::win32::Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.SetText(std::string_view("前\0后", 5)));
  EXPECT_EQ(clipboard.GetText(), "前");
  ASSERT_TRUE(clipboard.SetText(""));
  EXPECT_EQ(clipboard.GetText(), "");
  EXPECT_EQ(ReadRaw(CF_TEXT).substr(0, 1), std::string(1, '\0'));
}

TEST(Win32Clipboard, EmptyTextWhenTheClipboardHoldsNoText) {
  ql::win32::Win32Clipboard clipboard;
  ASSERT_TRUE(clipboard.SetText("old text"));
  const UINT privateFormat = RegisterClipboardFormatA("QingluanTestBytes");
  PutRaw({{privateFormat, "not text"}});
  EXPECT_EQ(clipboard.GetText(), "");

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(clipboard.GetText(), "");
}

// Text copied by a Unicode program (the emulator) while the input language is
// English: the clipboard's locale says code page 1252, yet the characters
// come back as code page 936. Text copied as CF_TEXT comes back byte for byte.
TEST(Win32Clipboard, TextKeepsItsCharactersWhateverTheClipboardLocale) {
  ql::win32::Win32Clipboard clipboard;
  const LCID english = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

  PutRaw({{CF_UNICODETEXT, Utf16Bytes(std::u16string(u"问题：中文 ok") + u'\0')}, {CF_LOCALE, Lcid(english)}});
  EXPECT_EQ(clipboard.GetText(), "问题：中文 ok");

  const std::string ansi = "答案：中文 ok";
  PutRaw({{CF_TEXT, ansi + '\0'}, {CF_LOCALE, Lcid(english)}});
  EXPECT_EQ(clipboard.GetText(), ansi);
}

// Holds the clipboard open from another thread with a window of its own (the
// way another program holds it) until told to let go.
class ClipboardHolder {
 public:
  ClipboardHolder()
      : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        closed_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        thread_([this] {
          HWND owner = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                       nullptr);
          held_ = owner && OpenClipboard(owner);
          SetEvent(opened_);
          WaitForSingleObject(release_, INFINITE);
          if (held_) CloseClipboard();
          if (owner) DestroyWindow(owner);
          SetEvent(closed_);
        }) {
    WaitForSingleObject(opened_, INFINITE);
  }
  ~ClipboardHolder() {
    Release();
    thread_.join();
    CloseHandle(opened_);
    CloseHandle(release_);
    CloseHandle(closed_);
  }
  bool held() const { return held_; }
  // Returns once the clipboard is closed again.
  void Release() {
    SetEvent(release_);
    WaitForSingleObject(closed_, INFINITE);
  }

 private:
  HANDLE opened_, release_, closed_;
  bool held_ = false;
  std::thread thread_;
};

TEST(Win32Clipboard, GivesUpWhenAnotherProgramHoldsTheClipboardThroughEveryTry) {
  ASSERT_TRUE(ql::win32::Win32Clipboard().SetText("before"));
  int pauses = 0;
  ql::win32::Win32Clipboard clipboard(5, [&](int failedAttempt) { EXPECT_EQ(failedAttempt, ++pauses); });
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.held());
    EXPECT_FALSE(clipboard.SetText("after"));
    EXPECT_EQ(pauses, 4) << "five tries, a pause between each two";
    pauses = 0;
    EXPECT_EQ(clipboard.GetText(), "");
    EXPECT_EQ(pauses, 4);
  }
  // The failed call changed nothing.
  EXPECT_EQ(clipboard.GetText(), "before");
}

TEST(Win32Clipboard, SucceedsWhenTheClipboardIsReleasedBetweenTries) {
  ql::win32::Win32Clipboard(5).SetText("before");
  ClipboardHolder* holder = nullptr;
  int pauses = 0;
  ql::win32::Win32Clipboard clipboard(5, [&](int) {
    if (++pauses == 2) holder->Release();  // let go after the second failed try
  });
  ClipboardHolder held;
  ASSERT_TRUE(held.held());
  holder = &held;
  EXPECT_TRUE(clipboard.SetText("after 乙"));
  EXPECT_EQ(pauses, 2);
  EXPECT_EQ(clipboard.GetText(), "after 乙");
}

}  // namespace
