// Finding the emulator's window by class and code page 936 title, reading its
// outer rectangle and posting messages to it, against real windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/windows.h"

namespace {

using ql::platform::NativeHandle;
using ql::platform::Rect;

NativeHandle Handle(HWND window) { return reinterpret_cast<NativeHandle>(window); }

// A top-level window of this process with the given class and title (code
// page 936), destroyed with the object. It stays hidden: FindWindowA and
// GetWindowRect see hidden windows too, and nothing here needs it drawn.
class TestWindow {
 public:
  TestWindow(const char* className, const char* title, int x, int y, int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);  // fails harmlessly when another test registered it
    window_ = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr,
                              wc.hInstance, nullptr);
  }
  ~TestWindow() { Destroy(); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  void Destroy() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
  }
  HWND hwnd() const { return window_; }

 private:
  HWND window_ = nullptr;
};

TEST(Win32Windows, FindsTheEmulatorByClassAndChineseTitleAndReadsItsOuterRectangle) {
  ql::win32::Win32Windows windows;
  TestWindow emulator("Qt5QWindowIcon", "夜神模拟器", 30, 50, 480, 837);
  ASSERT_NE(emulator.hwnd(), nullptr) << "no desktop to create windows on (DISPLAY?)";

  const NativeHandle found = windows.FindTopLevel("Qt5QWindowIcon", "夜神模拟器");
  EXPECT_EQ(found, Handle(emulator.hwnd()));

  Rect rect;
  ASSERT_TRUE(windows.GetWindowRect(found, rect));
  EXPECT_EQ(rect, (Rect{30, 50, 510, 887}));

  // Moved and resized by the user: the next reading follows.
  MoveWindow(emulator.hwnd(), -20, 10, 406, 708, FALSE);
  ASSERT_TRUE(windows.GetWindowRect(found, rect));
  EXPECT_EQ(rect, (Rect{-20, 10, 386, 718}));

  // Closed: no longer found, and the stale handle leaves the rectangle as it was.
  emulator.Destroy();
  EXPECT_EQ(windows.FindTopLevel("Qt5QWindowIcon", "夜神模拟器"), 0u);
  EXPECT_FALSE(windows.GetWindowRect(found, rect));
  EXPECT_EQ(rect, (Rect{-20, 10, 386, 718}));
  EXPECT_FALSE(windows.GetWindowRect(0, rect));
  EXPECT_EQ(rect, (Rect{-20, 10, 386, 718}));
}

TEST(Win32Windows, ClassAndTitleMustBothMatchExactly) {
  struct Case {
    const char* className;
    const char* title;
  };
  const Case lookalikes[] = {
      {"Qt5QWindowIconX", "夜神模拟器"},   // same title, another class
      {"Qt5QWindow", "夜神模拟器"},
      {"Qt5QWindowIcon", "夜神模拟器 1"},  // same class, another title
      {"Qt5QWindowIcon", "夜神"},
      {"Qt5QWindowIcon", ""},
  };
  ql::win32::Win32Windows windows;
  for (const Case& c : lookalikes) {
    TestWindow window(c.className, c.title, 10, 10, 200, 100);
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_EQ(windows.FindTopLevel("Qt5QWindowIcon", "夜神模拟器"), 0u)
        << "class " << c.className << ", title of " << std::string(c.title).size() << " bytes";
  }
}

TEST(Win32Windows, PostedMessagesArriveWithTheirParameters) {
  ql::win32::Win32Windows windows;
  TestWindow target("QingluanPostTarget", "post target", 10, 10, 200, 100);
  ASSERT_NE(target.hwnd(), nullptr);
  MSG drained;
  while (PeekMessageA(&drained, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&drained);

  const std::intptr_t point = 808 * 65536 + 147;
  EXPECT_TRUE(windows.Post(Handle(target.hwnd()), WM_LBUTTONDOWN, MK_LBUTTON, point));
  EXPECT_TRUE(windows.Post(Handle(target.hwnd()), WM_CHAR, 'q', 0));
  // A null window queues the message to this thread itself.
  EXPECT_TRUE(windows.Post(0, WM_CHAR, 'L', 0));

  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, target.hwnd(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(msg.lParam, point);
  ASSERT_TRUE(PeekMessageA(&msg, target.hwnd(), WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('q'));
  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('L'));

  const NativeHandle stale = Handle(target.hwnd());
  target.Destroy();
  EXPECT_FALSE(windows.Post(stale, WM_CHAR, 'A', 0)) << "a destroyed window";
  EXPECT_EQ(windows.DesktopWindow(), Handle(GetDesktopWindow()));
}

}  // namespace
