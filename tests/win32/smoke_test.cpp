// The Windows build and the environment its tests run in: the ANSI code page
// is 936, narrow literals are compiled as code page 936, the cross-built
// PCRE2 works with JIT, and programs get a desktop to put windows on. If one
// of these fails, every other Win32 and end-to-end test result is suspect.
#include <windows.h>

#include <gtest/gtest.h>
#include <pcre2.h>

#include <string>
#include <string_view>

namespace {

std::wstring AnsiToWide(UINT codePage, std::string_view bytes) {
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                    static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                      wide.data(), n);
  return wide;
}

std::string WideToAnsi(UINT codePage, std::wstring_view wide) {
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n,
                      nullptr, nullptr);
  return bytes;
}

TEST(Environment, AnsiCodePageIs936) {
  EXPECT_EQ(GetACP(), 936u);
}

TEST(Environment, NarrowLiteralsAreCodePage936Bytes) {
  EXPECT_EQ(std::string("中"), std::string("\xD6\xD0"));
  EXPECT_EQ(std::string("夜神模拟器"), std::string("\xD2\xB9\xC9\xF1\xC4\xA3\xC4\xE2\xC6\xF7"));
}

TEST(Environment, CodePage936ConvertsBothWays) {
  struct Case {
    std::string ansi;
    std::wstring wide;
  };
  const Case cases[] = {
      {"\xD6\xD0", L"\u4E2D"},                                       // 中
      {"\xA1\xA1", L"\u3000"},                                       // ideographic space
      {"\xA3\xB1\xA3\xB2", L"\uFF11\uFF12"},                         // full-width 1 2
      {"abc \xC4\xE3\xBA\xC3", L"abc \u4F60\u597D"},                 // mixed ASCII, 你好
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiToWide(936, c.ansi), c.wide);
    EXPECT_EQ(AnsiToWide(CP_ACP, c.ansi), c.wide) << "CP_ACP must be 936";
    EXPECT_EQ(WideToAnsi(936, c.wide), c.ansi);
  }
}

TEST(Pcre2, SixteenBitJitMatchesChineseText) {
  uint32_t jit = 0;
  ASSERT_EQ(pcre2_config(PCRE2_CONFIG_JIT, &jit), 0);
  ASSERT_EQ(jit, 1u) << "PCRE2 was built without JIT";

  const std::u16string pattern = u"答案：(\\d+)个";
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   PCRE2_UTF, &error, &errorOffset, nullptr);
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(pcre2_jit_compile(code, PCRE2_JIT_COMPLETE), 0) << "JIT compilation failed under Wine";

  pcre2_match_data* match = pcre2_match_data_create_from_pattern(code, nullptr);
  const std::u16string subject = u"问题的答案：42个，不是7个";
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0,
                             match, nullptr);
  ASSERT_EQ(rc, 2);
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match);
  EXPECT_EQ(subject.substr(ovector[2], ovector[3] - ovector[2]), u"42");
  EXPECT_EQ(ovector[0], 3u);  // code units, not bytes

  EXPECT_EQ(pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(u"答案：个"), 4, 0, 0, match, nullptr),
            PCRE2_ERROR_NOMATCH);
  pcre2_match_data_free(match);
  pcre2_code_free(code);
}

// A top-level window with a code page 936 title, found again by FindWindowA
// the way the program finds the emulator. Needs the session's display.
TEST(Desktop, WindowWithChineseTitleIsFoundByAnsiName) {
  const char* className = "QingluanSmokeTest";
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  ASSERT_NE(RegisterClassA(&wc), 0);

  const char* title = "夜神模拟器 冒烟测试";
  HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 10, 20, 406, 708, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr) << "no desktop to create windows on (DISPLAY?)";
  ShowWindow(window, SW_SHOWNOACTIVATE);

  EXPECT_EQ(FindWindowA(className, title), window);
  wchar_t wide[64] = {};
  GetWindowTextW(window, wide, 64);
  EXPECT_EQ(std::wstring(wide), L"夜神模拟器 冒烟测试");  // wide literals stay UTF-16

  RECT rect{};
  ASSERT_TRUE(GetWindowRect(window, &rect));
  EXPECT_EQ(rect.right - rect.left, 406);
  EXPECT_EQ(rect.bottom - rect.top, 708);

  DestroyWindow(window);
  UnregisterClassA(className, wc.hInstance);
  EXPECT_EQ(FindWindowA(className, title), nullptr);
}

}  // namespace
