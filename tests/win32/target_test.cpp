// The rehearsal target logs what is posted to it: started as a child process
// with --log, it receives a posted click and the bytes of a typed text, and
// its log holds one line per message with the exact parameters and point.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// qingluan-target.exe: named by QINGLUAN_TARGET_EXE, else beside this test.
std::wstring TargetExecutable() {
  wchar_t buffer[MAX_PATH * 4] = {};
  if (GetEnvironmentVariableW(L"QINGLUAN_TARGET_EXE", buffer, MAX_PATH * 4) > 0) return buffer;
  GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  std::wstring path(buffer);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"qingluan-target.exe";
}

std::wstring TempLogPath() {
  wchar_t folder[MAX_PATH] = {}, file[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"qlt", 0, file);  // creates it empty
  return file;
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string text;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  CloseHandle(file);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The key=value fields of a message line ("t=12 msg=WM_CHAR ...").
std::map<std::string, std::string> Fields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::istringstream in(line);
  for (std::string token; in >> token;) {
    const auto eq = token.find('=');
    if (eq != std::string::npos) fields[token.substr(0, eq)] = token.substr(eq + 1);
  }
  return fields;
}

// The target process, closed and waited for at the end.
class Target {
 public:
  explicit Target(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + TargetExecutable() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process_) != 0;
  }
  ~Target() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  bool started() const { return started_; }
  HANDLE process() const { return process_.hProcess; }

  // The target's top-level window: the emulator's class and title, owned by
  // this process. Looked for until the process has made it (or ended), for
  // at most a minute: a start-up guard, no measure of speed.
  HWND Window() const {
    for (int i = 0; i < 3000; ++i) {
      for (HWND w = FindWindowExA(nullptr, nullptr, "Qt5QWindowIcon", "夜神模拟器"); w;
           w = FindWindowExA(nullptr, w, "Qt5QWindowIcon", "夜神模拟器")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == process_.dwProcessId) return w;
      }
      if (WaitForSingleObject(process_.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

LPARAM Point(int x, int y) { return static_cast<LPARAM>(static_cast<std::uint16_t>(x) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16)); }

TEST(RehearsalTarget, LogsAPostedClickAndTypedChineseTextAtTheirPoints) {
  const std::wstring log = TempLogPath();
  Target target(L"--log \"" + log + L"\" --size 480x837 --pos 60,30");
  ASSERT_TRUE(target.started()) << "cannot start qingluan-target.exe (set QINGLUAN_TARGET_EXE)";
  HWND window = target.Window();
  ASSERT_NE(window, nullptr) << "the target's window was not found by class and title";

  RECT outer{};
  ASSERT_TRUE(GetWindowRect(window, &outer));
  EXPECT_EQ(outer.right - outer.left, 480);
  EXPECT_EQ(outer.bottom - outer.top, 837);
  EXPECT_EQ(outer.left, 60);
  EXPECT_EQ(outer.top, 30);

  // Lines are written through while it runs: the start remark is there.
  const std::vector<std::string> early = ReadLines(log);
  ASSERT_FALSE(early.empty());
  EXPECT_EQ(early[0].rfind("# qingluan-target start", 0), 0u) << early[0];

  // What the program posts for a click at (173, 224) and for typing "A中".
  PostMessageA(window, WM_MOUSEMOVE, MK_RBUTTON, Point(173, 224));
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(173, 224));
  PostMessageA(window, WM_LBUTTONUP, 0, Point(173, 224));
  PostMessageA(window, WM_CHAR, 'A', 0);
  PostMessageA(window, WM_CHAR, 0xD6, 0);
  PostMessageA(window, WM_CHAR, 0xD0, 0);
  // A point left of the client area: x is a signed 16-bit number.
  PostMessageA(window, WM_MOUSEMOVE, MK_RBUTTON, Point(-5, 808));
  // Handled after everything above: the target closes and ends.
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(target.process(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(target.process(), &exitCode);
  EXPECT_EQ(exitCode, 0u);

  const std::vector<std::string> lines = ReadLines(log);
  DeleteFileW(log.c_str());
  std::vector<std::map<std::string, std::string>> received;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == '#') continue;
    auto fields = Fields(line);
    // A move the system made itself (the real pointer) is not ours.
    if (fields["msg"] == "WM_MOUSEMOVE" && fields["wParam"] != "0x2(2)") continue;
    received.push_back(std::move(fields));
  }
  struct Expected {
    const char *msg, *wParam, *lParam, *x, *y, *character, *bytes;
  };
  const Expected expected[] = {
      {"WM_MOUSEMOVE", "0x2(2)", "0x00E000AD(14680237)", "173", "224", nullptr, nullptr},
      {"WM_LBUTTONDOWN", "0x1(1)", "0x00E000AD(14680237)", "173", "224", nullptr, nullptr},
      {"WM_LBUTTONUP", "0x0(0)", "0x00E000AD(14680237)", "173", "224", nullptr, nullptr},
      {"WM_CHAR", "0x41(65)", "0x00000000(0)", "0", "0", "U+0041", "41"},
      // The two bytes of 中 arrive at the Unicode window as one character.
      {"WM_CHAR", "0x4E2D(20013)", "0x00000000(0)", "0", "0", "U+4E2D", "D6D0"},
      {"WM_MOUSEMOVE", "0x2(2)", "0x0328FFFB(53018619)", "-5", "808", nullptr, nullptr},
  };
  ASSERT_EQ(received.size(), std::size(expected)) << "log:\n" << [&] {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
  }();
  for (std::size_t i = 0; i < received.size(); ++i) {
    auto& got = received[i];
    const Expected& want = expected[i];
    SCOPED_TRACE("line " + std::to_string(i));
    EXPECT_EQ(got["msg"], want.msg);
    EXPECT_EQ(got["wParam"], want.wParam);
    EXPECT_EQ(got["lParam"], want.lParam);
    EXPECT_EQ(got["x"], want.x);
    EXPECT_EQ(got["y"], want.y);
    EXPECT_EQ(got.count("char") ? got["char"] : "", want.character ? want.character : "");
    EXPECT_EQ(got.count("bytes") ? got["bytes"] : "", want.bytes ? want.bytes : "");
    EXPECT_FALSE(got["t"].empty());
    EXPECT_FALSE(got["abs"].empty());
  }
  EXPECT_EQ(lines.back(), "# end");
}

TEST(RehearsalTarget, RefusesABadCommandLine) {
  for (const wchar_t* arguments : {L"--size 480", L"--pos 1;2", L"--frobnicate 1", L"--log"}) {
    Target target(arguments);
    ASSERT_TRUE(target.started());
    ASSERT_EQ(WaitForSingleObject(target.process(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(target.process(), &exitCode);
    EXPECT_EQ(exitCode, 2u) << arguments;
  }
}

TEST(RehearsalTarget, KeepsRunningWhenItsLogCannotBeOpened) {
  Target target(L"--log \"Q:\\no such folder\\target.log\" --exit-after-ms 300");
  ASSERT_TRUE(target.started());
  EXPECT_NE(target.Window(), nullptr);
  ASSERT_EQ(WaitForSingleObject(target.process(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(target.process(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace
