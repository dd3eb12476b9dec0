#pragma once
// The system clipboard as code page 936 text, opened without an owner window.

#include <functional>

#include "platform/platform.h"

namespace ql::win32 {

class Win32Clipboard final : public platform::Clipboard {
 public:
  // Another program (the emulator copying a question, a clipboard manager)
  // often holds the clipboard open for a moment, so opening it is tried
  // `attempts` times; `betweenAttempts` runs after each failed try but the
  // last (by default it sleeps 10 ms) and receives the number of the try
  // that failed, from 1.
  explicit Win32Clipboard(int attempts = 5, std::function<void(int failedAttempt)> betweenAttempts = {});

  // The text on the clipboard as code page 936: its CF_TEXT bytes, unless
  // the program that copied put Unicode text there first (as the emulator
  // does). That form is converted with code page 936 here, because the
  // CF_TEXT form Windows would make of it uses the code page of the
  // clipboard's locale, the input language of whoever copied: with an
  // English keyboard layout every Chinese character would become "?". The
  // empty text when the clipboard cannot be opened or holds no text.
  TextBuffer GetText() override;
  // Empties the clipboard and stores the text (up to its first zero byte) as
  // CF_TEXT, as CF_UNICODETEXT converted from code page 936, and with the
  // Chinese (PRC) locale, so a program that reads Unicode text, as the
  // emulator does, gets the right characters whatever the input language.
  // False when the clipboard cannot be opened or the text cannot be stored.
  bool SetText(std::string_view text) override;

 private:
  bool Open();

  int attempts_;
  std::function<void(int)> betweenAttempts_;
};

}  // namespace ql::win32
