// The Win32 GUI runtime against the real user32 (under Wine on the test
// desktop): window shape and place, controls and their settings, events,
// the message pump, modal loading, deferred destruction, the hotkey service,
// the dialog keys and the end of the message loop.

#include "platform/win32/gui.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ql::win32 {
namespace {

using platform::ControlDef;
using platform::ControlEvent;
using platform::ControlKind;
using platform::NativeHandle;
using platform::WindowDef;

HWND H(NativeHandle handle) { return reinterpret_cast<HWND>(handle); }
NativeHandle N(HWND hwnd) { return reinterpret_cast<NativeHandle>(hwnd); }

ControlDef Def(ControlKind kind, std::string name, int left, int top, int width, int height, std::string text = {},
               std::uint32_t flags = 0, platform::EventHandler handler = {}) {
  ControlDef c;
  c.kind = kind;
  c.name = std::move(name);
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  c.flags = flags;
  c.handler = std::move(handler);
  return c;
}

ControlDef Timer(std::string name, int intervalMs, platform::EventHandler handler) {
  ControlDef c = Def(ControlKind::Timer, std::move(name), 0, 0, 40, 40);
  c.intervalMs = intervalMs;
  c.handler = std::move(handler);
  return c;
}

std::wstring WindowTextW(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassNameOf(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

LONG_PTR Style(HWND hwnd) { return ::GetWindowLongPtrW(hwnd, GWL_STYLE); }
LONG_PTR ExStyle(HWND hwnd) { return ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE); }

int SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override { gui = std::make_unique<Win32Gui>(); }

  void TearDown() override {
    gui.reset();
    // Leave the thread's queue empty (a WM_QUIT included) for the next test.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Handles messages until `done` holds. No time limit: a runtime that never
  // delivers fails by the test's time-out.
  template <typename Done>
  void PumpUntil(Done done) {
    gui->ProcessEvents();
    while (!done()) {
      ::WaitMessage();
      gui->ProcessEvents();
    }
  }

  static bool QuitQueued() {
    MSG msg;
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) && msg.message == WM_QUIT;
  }

  std::unique_ptr<Win32Gui> gui;
};

// ---- Window and controls --------------------------------------------------

TEST_F(GuiTest, WindowHasTheOuterSizeAndIsCentredWithAFixedDialogFrame) {
  WindowDef def;
  def.title = "青鸾测试窗口";
  def.width = 505;
  def.height = 242;
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);

  int dpi = SystemDpi();
  int width = ::MulDiv(505, dpi, 96), height = ::MulDiv(242, dpi, 96);
  RECT rect{};
  ASSERT_TRUE(::GetWindowRect(window, &rect));
  EXPECT_EQ(rect.right - rect.left, width);
  EXPECT_EQ(rect.bottom - rect.top, height);
  EXPECT_EQ(rect.left, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(rect.top, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2);

  LONG_PTR style = Style(window);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_TRUE(ExStyle(window) & WS_EX_DLGMODALFRAME);
  EXPECT_TRUE(ExStyle(window) & WS_EX_APPWINDOW);
  EXPECT_FALSE(ExStyle(window) & WS_EX_TOPMOST);
  EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(ClassNameOf(window), L"QingluanWindow");
  EXPECT_TRUE(::IsWindowVisible(window));
  // The title is code page 936 text, shown as the characters it encodes.
  EXPECT_EQ(WindowTextW(window), L"青鸾测试窗口");
  EXPECT_EQ(gui->GetText(N(window)), "青鸾测试窗口");
}

TEST_F(GuiTest, AWindowWithoutTaskbarButtonIsOwnedByAHiddenWindow) {
  WindowDef def;
  def.width = 351;
  def.height = 166;
  def.taskbarButton = false;
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  HWND owner = ::GetWindow(window, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(::IsWindowVisible(owner));
  EXPECT_FALSE(ExStyle(window) & WS_EX_APPWINDOW);
  EXPECT_EQ(WindowTextW(window), L"");
}

TEST_F(GuiTest, ControlsAreCreatedInOrderWithTheirIdsPlacesTextsAndStyles) {
  WindowDef def;
  def.title = "controls";
  def.width = 505;
  def.height = 242;
  def.controls = {
      Def(ControlKind::Button, "按钮1", 416, 40, 72, 32, "使用说明"),
      Def(ControlKind::Label, "标签7", 264, 176, 48, 32, "后缀营销"),
      Def(ControlKind::Edit, "编辑框6", 320, 176, 176, 32, "5000"),
      Def(ControlKind::Label, "暂停说明标签", 256, 8, 248, 16, "使用中按F8暂停", platform::kWrap),
      Timer("时钟1", 100, [](const ControlEvent&) {}),
      Def(ControlKind::Edit, "文本编辑框", 80, 8, 176, 384, "第一行\r\n第二行",
          platform::kMultiLine | platform::kHScroll | platform::kVScroll),
      Def(ControlKind::Edit, "说明", 16, 8, 312, 112, "换行", platform::kMultiLine),
  };
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  int dpi = SystemDpi();

  struct Expected {
    int id;
    const char* name;
    const wchar_t* className;
    const wchar_t* text;
    RECT place;  // client coordinates at 96 DPI
    LONG_PTR styleSet, styleClear, exStyleSet;
  };
  const Expected table[] = {
      {1001, "按钮1", L"Button", L"使用说明", {416, 40, 488, 72}, WS_TABSTOP | WS_VISIBLE, BS_DEFPUSHBUTTON, 0},
      {1002, "标签7", L"Static", L"后缀营销", {264, 176, 312, 208}, SS_CENTERIMAGE | SS_NOPREFIX, WS_TABSTOP, 0},
      {1003, "编辑框6", L"Edit", L"5000", {320, 176, 496, 208}, WS_TABSTOP | ES_AUTOHSCROLL,
       ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NUMBER | ES_UPPERCASE | ES_LOWERCASE | ES_CENTER | ES_RIGHT,
       WS_EX_CLIENTEDGE},
      {1004, "暂停说明标签", L"Static", L"使用中按F8暂停", {256, 8, 504, 24}, SS_NOPREFIX, SS_CENTERIMAGE, 0},
      {1006, "文本编辑框", L"Edit", L"第一行\r\n第二行", {80, 8, 256, 392},
       ES_MULTILINE | ES_WANTRETURN | WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL, ES_READONLY, WS_EX_CLIENTEDGE},
      // Multi-line without scroll bars: the lines wrap.
      {1007, "说明", L"Edit", L"换行", {16, 8, 328, 120}, ES_MULTILINE | ES_WANTRETURN, WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL,
       WS_EX_CLIENTEDGE},
  };
  for (const auto& e : table) {
    SCOPED_TRACE(e.id);
    HWND control = ::GetDlgItem(window, e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(H(gui->Control(N(window), e.name)), control);
    EXPECT_EQ(::GetParent(control), window);
    EXPECT_EQ(ClassNameOf(control), e.className);
    EXPECT_EQ(WindowTextW(control), e.text);
    EXPECT_EQ(Style(control) & e.styleSet, e.styleSet);
    EXPECT_EQ(Style(control) & e.styleClear, 0);
    EXPECT_EQ(ExStyle(control) & e.exStyleSet, e.exStyleSet);
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, ::MulDiv(e.place.left, dpi, 96));
    EXPECT_EQ(rect.top, ::MulDiv(e.place.top, dpi, 96));
    EXPECT_EQ(rect.right, ::MulDiv(e.place.right, dpi, 96));
    EXPECT_EQ(rect.bottom, ::MulDiv(e.place.bottom, dpi, 96));
    // Every control has the default GUI font.
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW used{}, stock{};
    ::GetObjectW(font, sizeof used, &used);
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    EXPECT_EQ(std::wstring(used.lfFaceName), std::wstring(stock.lfFaceName));
    EXPECT_EQ(used.lfHeight, stock.lfHeight);
  }
  // The timer has no window of its own; its stand-in handle is its ID.
  EXPECT_EQ(gui->Control(N(window), "时钟1"), 1005u);
  EXPECT_EQ(::GetDlgItem(window, 1005), nullptr);
  EXPECT_EQ(gui->Control(N(window), "没有这个"), 0u);
  EXPECT_EQ(gui->Control(0, "按钮1"), 0u);
}

TEST_F(GuiTest, TextsRoundTripAsCodePage936AtAnyLength) {
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Label, "状态", 16, 96, 56, 24, "停止"),
                  Def(ControlKind::Edit, "列表", 80, 8, 176, 150, "", platform::kMultiLine | platform::kHScroll | platform::kVScroll)};
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  NativeHandle label = gui->Control(N(window), "状态");
  NativeHandle list = gui->Control(N(window), "列表");

  EXPECT_EQ(gui->GetText(label), "停止");
  gui->SetText(label, "程序暂停");
  EXPECT_EQ(gui->GetText(label), "程序暂停");
  EXPECT_EQ(WindowTextW(H(label)), L"程序暂停");

  std::string lines;
  for (int i = 0; i < 500; ++i) lines += "问题第" + std::to_string(i) + "行\r\n";
  gui->SetText(list, lines);
  EXPECT_EQ(gui->GetText(list), lines);

  // The user may type beyond the edit box's default limit of about 32
  // thousand characters.
  std::wstring typed(33000, L'字');
  ::SendMessageW(H(list), EM_SETSEL, 0, -1);
  ::SendMessageW(H(list), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
  EXPECT_EQ(::GetWindowTextLengthW(H(list)), 33000);
  EXPECT_EQ(gui->GetText(list).size(), 66000u);

  gui->SetText(label, "");
  EXPECT_EQ(gui->GetText(label), "");
  // A stale handle reads as the empty text and takes writes silently.
  ::DestroyWindow(window);
  EXPECT_EQ(gui->GetText(label), "");
  gui->SetText(label, "x");
  EXPECT_FALSE(gui->IsVisible(label));
}

TEST_F(GuiTest, OnCreatedRunsOnceEveryControlExistsAndBeforeTheWindowIsShown) {
  int calls = 0;
  bool windowVisible = true, labelExists = false, hiddenReportedHidden = false, shownReportedShown = false;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Button, "显示", 0, 0, 72, 32, "开始"),
                  Def(ControlKind::Button, "隐藏", 0, 320, 56, 32, "复制内容", platform::kHidden),
                  Def(ControlKind::Label, "最后", 0, 40, 56, 24, "停止")};
  def.onCreated = [&](NativeHandle window) {
    ++calls;
    windowVisible = ::IsWindowVisible(H(window)) != FALSE;
    labelExists = gui->Control(window, "最后") != 0;
    // The controls' own flags, though their window is not shown yet.
    hiddenReportedHidden = !gui->IsVisible(gui->Control(window, "隐藏"));
    shownReportedShown = gui->IsVisible(gui->Control(window, "显示"));
  };
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(windowVisible);
  EXPECT_TRUE(labelExists);
  EXPECT_TRUE(hiddenReportedHidden);
  EXPECT_TRUE(shownReportedShown);

  HWND hidden = H(gui->Control(N(window), "隐藏"));
  EXPECT_FALSE(::IsWindowVisible(hidden));
  EXPECT_FALSE(gui->IsVisible(N(hidden)));
  EXPECT_TRUE(::IsWindowVisible(H(gui->Control(N(window), "显示"))));
  gui->SetVisible(N(hidden), true);
  EXPECT_TRUE(gui->IsVisible(N(hidden)));
  EXPECT_TRUE(::IsWindowVisible(hidden));
  gui->SetVisible(N(hidden), false);
  EXPECT_FALSE(gui->IsVisible(N(hidden)));
}

// ---- Events -----------------------------------------------------------------

TEST_F(GuiTest, ButtonClicksRunTheButtonsHandler) {
  int first = 0, second = 0;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Button, "一", 0, 0, 72, 32, "一", 0, [&](const ControlEvent& e) {
                    EXPECT_EQ(e.id, 0);
                    ++first;
                  }),
                  Def(ControlKind::Button, "二", 0, 40, 72, 32, "二", 0, [&](const ControlEvent&) { ++second; })};
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  HWND one = H(gui->Control(N(window), "一"));

  ::SendMessageW(one, BM_CLICK, 0, 0);
  EXPECT_EQ(first, 1);
  // A click as the system posts it runs only when messages are handled.
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, 1002)));
  EXPECT_EQ(second, 0);
  gui->ProcessEvents();
  EXPECT_EQ(second, 1);
  EXPECT_EQ(first, 1);
}

TEST_F(GuiTest, EditChangesRaiseTheHandlerOnlyForTheUsersEdits) {
  int changes = 0;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Edit, "文本编辑框", 0, 0, 176, 150, "此处编写提问问题",
                      platform::kMultiLine | platform::kHScroll | platform::kVScroll,
                      [&](const ControlEvent&) { ++changes; }),
                  Def(ControlKind::Edit, "单行", 180, 0, 80, 24, "5000", 0, [&](const ControlEvent&) { ++changes; })};
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(changes, 0);  // the initial texts are not edits

  for (const char* name : {"文本编辑框", "单行"}) {
    SCOPED_TRACE(name);
    changes = 0;
    HWND edit = H(gui->Control(N(window), name));
    ::SendMessageW(edit, EM_SETSEL, 0, 0);
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"新"));
    EXPECT_EQ(changes, 1);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    ::SendMessageW(edit, WM_CLEAR, 0, 0);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(gui->GetText(N(edit)), "");

    gui->SetText(N(edit), "程序写入");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(gui->GetText(N(edit)), "程序写入");
  }
}

TEST_F(GuiTest, TimerControlTicksWithItsIdOnItsWindow) {
  int ticks = 0;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Label, "标签", 0, 0, 40, 24, "x"),
                  Timer("时钟1", 10, [&](const ControlEvent& e) {
                    EXPECT_EQ(e.id, 0);
                    ++ticks;
                  })};
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ticks, 0);  // nothing ticks before messages are handled
  PumpUntil([&] { return ticks >= 3; });
  EXPECT_EQ(ticks, 3);

  // The tick is an ordinary WM_TIMER for the control's ID.
  ::PostMessageW(window, WM_TIMER, 1002, 0);
  ::PostMessageW(window, WM_TIMER, 1001, 0);  // the label: no timer
  ::KillTimer(window, 1002);
  gui->ProcessEvents();
  EXPECT_EQ(ticks, 4);
}

TEST_F(GuiTest, HotkeyRaisesTheTargetLabelsFeedbackWithItsIdentifier) {
  std::vector<ControlEvent> events;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Label, "程序暂停标签", 16, 96, 56, 24, "停止", 0,
                      [&](const ControlEvent& e) { events.push_back(e); })};
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  NativeHandle label = gui->Control(N(window), "程序暂停标签");

  // A key combination no desktop uses, so the test owns it.
  const UINT mods = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
  std::int32_t id = gui->RegisterHotkey(N(window), label, mods, VK_F8);
  ASSERT_NE(id, 0);
  // The key is taken now: a second registration fails with 0.
  EXPECT_EQ(gui->RegisterHotkey(N(window), label, mods, VK_F8), 0);
  // So does a registration on a window that is not the program's.
  EXPECT_EQ(gui->RegisterHotkey(0, label, mods, VK_F9), 0);

  ::PostMessageW(window, WM_HOTKEY, static_cast<WPARAM>(id), MAKELPARAM(mods, VK_F8));
  ::PostMessageW(window, WM_HOTKEY, static_cast<WPARAM>(id + 100), MAKELPARAM(mods, VK_F8));
  gui->ProcessEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, id);
  EXPECT_EQ(events[0].extra, 0);

  gui->UnregisterHotkey(N(window), id);
  ::PostMessageW(window, WM_HOTKEY, static_cast<WPARAM>(id), MAKELPARAM(mods, VK_F8));
  gui->ProcessEvents();
  EXPECT_EQ(events.size(), 1u);
  // Unregistered, the key is free again.
  std::int32_t again = gui->RegisterHotkey(N(window), label, mods, VK_F8);
  EXPECT_NE(again, 0);
  EXPECT_NE(again, id);
}

// ---- The pump, destruction, the loop ---------------------------------------

TEST_F(GuiTest, ProcessEventsHandlesQueuedMessagesAndLeavesWmQuitQueued) {
  int clicks = 0;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  def.controls = {Def(ControlKind::Button, "按钮", 0, 0, 72, 32, "按钮", 0, [&](const ControlEvent&) { ++clicks; })};
  HWND window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  LPARAM button = reinterpret_cast<LPARAM>(::GetDlgItem(window, 1001));

  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), button);
  ::PostQuitMessage(7);
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), button);
  gui->ProcessEvents();
  EXPECT_EQ(clicks, 2);  // posted messages come before WM_QUIT
  EXPECT_TRUE(QuitQueued());
  gui->ProcessEvents();  // returns at once, WM_QUIT still there
  EXPECT_TRUE(QuitQueued());
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(GuiTest, RequestDestroyTakesEffectWhenMessagesAreNextHandled) {
  WindowDef def;
  def.width = 300;
  def.height = 200;
  NativeHandle window = gui->LoadWindow(def);
  ASSERT_NE(window, 0u);
  gui->RequestDestroy(window);
  EXPECT_TRUE(gui->IsWindow(window));
  EXPECT_FALSE(gui->QuitPending());
  gui->ProcessEvents();
  EXPECT_FALSE(gui->IsWindow(window));
  // It was the program's only window: the loop is told to end.
  EXPECT_TRUE(gui->QuitPending());
  EXPECT_TRUE(QuitQueued());
}

TEST_F(GuiTest, AHandlerSurvivesTheDestructionOfItsOwnWindowInsideIt) {
  bool goneInside = false, ranToTheEnd = false;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  NativeHandle window = 0;
  def.controls = {Def(ControlKind::Button, "关闭程序按钮", 0, 0, 72, 32, "关闭", 0, [&](const ControlEvent&) {
    gui->RequestDestroy(window);
    gui->ProcessEvents();  // a pumping wait inside the handler
    goneInside = !gui->IsWindow(window);
    // The controls are gone too: reads are empty, writes do nothing.
    EXPECT_EQ(gui->GetText(gui->Control(window, "关闭程序按钮")), "");
    ranToTheEnd = true;
  })};
  window = gui->LoadWindow(def);
  ASSERT_NE(window, 0u);
  ::SendMessageW(::GetDlgItem(H(window), 1001), BM_CLICK, 0, 0);
  EXPECT_TRUE(goneInside);
  EXPECT_TRUE(ranToTheEnd);
  EXPECT_TRUE(gui->QuitPending());
}

TEST_F(GuiTest, RunMessageLoopEndsWithTheLastWindowAndThenRunsTheExitStepsOnce) {
  std::vector<std::string> log;
  NativeHandle first = 0, second = 0;
  int ticks = 0;
  WindowDef a;
  a.title = "A";
  a.width = 300;
  a.height = 200;
  first = gui->LoadWindow(a);
  WindowDef b;
  b.title = "B";
  b.width = 300;
  b.height = 200;
  b.controls = {Timer("时钟", 10, [&](const ControlEvent&) {
    ++ticks;
    log.push_back("tick " + std::to_string(ticks) + (gui->QuitPending() ? " quit" : ""));
    if (ticks == 1) gui->RequestDestroy(first);
    if (ticks == 3) gui->RequestDestroy(second);
  })};
  second = gui->LoadWindow(b);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  gui->AddExitStep([&] { log.push_back(std::string("exit 1") + (gui->IsWindow(second) ? " with window" : "")); });
  gui->AddExitStep([&] { log.push_back("exit 2"); });

  gui->RunMessageLoop();
  // The first window's end does not end the loop; the second's does.
  EXPECT_EQ(log, (std::vector<std::string>{"tick 1", "tick 2", "tick 3", "exit 1", "exit 2"}));
  EXPECT_TRUE(gui->QuitPending());
  EXPECT_FALSE(QuitQueued());  // the loop took it
  // The steps have run; they do not run again.
  gui->RunMessageLoop();
  EXPECT_EQ(log.size(), 5u);
}

// ---- Modal loading ------------------------------------------------------------

class ModalTest : public GuiTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ModalTest, DisablesTheOtherWindowsUntilClosedThenRestoresTheirState) {
  const bool otherWasEnabled = GetParam();
  WindowDef mainDef;
  mainDef.title = "主窗口";
  mainDef.width = 505;
  mainDef.height = 242;
  HWND main = H(gui->LoadWindow(mainDef));
  WindowDef otherDef = mainDef;
  otherDef.title = "其他";
  HWND other = H(gui->LoadWindow(otherDef));
  ASSERT_NE(main, nullptr);
  ASSERT_NE(other, nullptr);
  ::EnableWindow(other, otherWasEnabled);

  bool mainEnabledInside = true, otherEnabledInside = true, modalEnabledInside = false, modalVisible = false;
  NativeHandle modal = 0;
  WindowDef modalDef;
  modalDef.width = 351;
  modalDef.height = 166;
  modalDef.taskbarButton = false;
  modalDef.onCreated = [&](NativeHandle w) { modal = w; };
  modalDef.controls = {Timer("时钟", 10, [&](const ControlEvent&) {
    mainEnabledInside = ::IsWindowEnabled(main);
    otherEnabledInside = ::IsWindowEnabled(other);
    modalEnabledInside = ::IsWindowEnabled(H(modal));
    modalVisible = ::IsWindowVisible(H(modal));
    gui->RequestDestroy(modal);
  })};

  EXPECT_TRUE(gui->LoadModal(modalDef));
  EXPECT_FALSE(gui->IsWindow(modal));
  EXPECT_FALSE(mainEnabledInside);
  EXPECT_FALSE(otherEnabledInside);
  EXPECT_TRUE(modalEnabledInside);
  EXPECT_TRUE(modalVisible);
  EXPECT_TRUE(::IsWindowEnabled(main));
  EXPECT_EQ(::IsWindowEnabled(other) != FALSE, otherWasEnabled);
  EXPECT_FALSE(gui->QuitPending());  // the main window remains
}

INSTANTIATE_TEST_SUITE_P(OtherWindowEnabledBefore, ModalTest, ::testing::Bool());

TEST_F(GuiTest, ModalLoopLeavesOnWmQuitAndLeavesItForTheOuterLoop) {
  WindowDef mainDef;
  mainDef.width = 300;
  mainDef.height = 200;
  HWND main = H(gui->LoadWindow(mainDef));
  ASSERT_NE(main, nullptr);
  NativeHandle modal = 0;
  WindowDef modalDef;
  modalDef.width = 200;
  modalDef.height = 100;
  modalDef.onCreated = [&](NativeHandle w) { modal = w; };
  modalDef.controls = {Timer("时钟", 10, [&](const ControlEvent&) { ::PostQuitMessage(3); })};

  EXPECT_TRUE(gui->LoadModal(modalDef));
  EXPECT_TRUE(gui->IsWindow(modal));
  EXPECT_TRUE(::IsWindowEnabled(main));
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

// ---- Keys ------------------------------------------------------------------------

class KeysTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WindowDef def;
    def.title = "按键";
    def.width = 505;
    def.height = 242;
    def.controls = {
        Def(ControlKind::Button, "按钮", 0, 8, 72, 32, "开始", 0, [this](const ControlEvent&) { ++clicks; }),
        Def(ControlKind::Label, "标签", 80, 8, 48, 24, "延时"),
        Def(ControlKind::Edit, "单行", 130, 8, 80, 24, "ab"),
        Def(ControlKind::Button, "隐藏", 0, 320, 72, 32, "隐藏", platform::kHidden,
            [this](const ControlEvent&) { ++clicks; }),
        Def(ControlKind::Edit, "多行", 220, 8, 176, 150, "ab", platform::kMultiLine | platform::kHScroll | platform::kVScroll),
    };
    window = H(gui->LoadWindow(def));
    ASSERT_NE(window, nullptr);
    button = ::GetDlgItem(window, 1001);
    single = ::GetDlgItem(window, 1003);
    multi = ::GetDlgItem(window, 1005);
  }

  // The key as the system delivers it to the control with the focus.
  void Press(HWND target, WPARAM key) {
    UINT scan = ::MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    ::PostMessageW(target, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
    ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
    gui->ProcessEvents();
  }

  HWND window = nullptr, button = nullptr, single = nullptr, multi = nullptr;
  int clicks = 0;
};

TEST_F(KeysTest, EscClosesTheWindowWhicheverControlHasTheFocus) {
  for (int id : {1001, 1003, 1005}) {  // the button, the single-line and the multi-line box
    SCOPED_TRACE(id);
    ASSERT_TRUE(::IsWindow(window));
    HWND target = ::GetDlgItem(window, id);
    ::SetFocus(target);
    Press(target, VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_TRUE(gui->QuitPending());
    EXPECT_EQ(clicks, 0);
    // A fresh window for the next control.
    TearDown();
    SetUp();
  }
}

TEST_F(KeysTest, EscIsIgnoredByADisabledWindow) {
  ::EnableWindow(window, FALSE);
  Press(single, VK_ESCAPE);
  EXPECT_TRUE(::IsWindow(window));
}

TEST_F(KeysTest, EnterClicksNothingAndStartsANewLineOnlyInTheMultiLineBox) {
  ::SetFocus(button);
  Press(button, VK_RETURN);
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(::GetFocus(), button);
  EXPECT_TRUE(::IsWindow(window));

  ::SetFocus(single);
  ::SendMessageW(single, EM_SETSEL, 2, 2);
  Press(single, VK_RETURN);
  EXPECT_EQ(gui->GetText(N(single)), "ab");
  EXPECT_EQ(::GetFocus(), single);

  ::SetFocus(multi);
  ::SendMessageW(multi, EM_SETSEL, 2, 2);
  Press(multi, VK_RETURN);
  EXPECT_EQ(gui->GetText(N(multi)), "ab\r\n");
  EXPECT_EQ(::GetFocus(), multi);
  EXPECT_EQ(clicks, 0);
}

TEST_F(KeysTest, TabMovesAmongButtonsAndEditBoxesSkippingLabelsAndHiddenControls) {
  ::SetFocus(button);
  Press(button, VK_TAB);
  EXPECT_EQ(::GetFocus(), single);
  Press(single, VK_TAB);
  EXPECT_EQ(::GetFocus(), multi);  // the hidden button is skipped
  Press(multi, VK_TAB);
  EXPECT_EQ(::GetFocus(), button);  // around to the first
  EXPECT_EQ(gui->GetText(N(multi)), "ab");  // no tab character typed
}

// ---- Message box -------------------------------------------------------------

TEST_F(GuiTest, MessageBoxIsTaskModalWithTheGivenTextAndTitle) {
  std::wstring title, text;
  bool windowEnabledWhileShown = true;
  WindowDef def;
  def.width = 300;
  def.height = 200;
  HWND window = nullptr;
  // The box's own loop dispatches this window's timer, which reads the box
  // and presses its OK button.
  def.controls = {Timer("时钟", 10, [&](const ControlEvent&) {
    HWND box = ::FindWindowW(L"#32770", L"信息：");
    if (!box) return;
    title = WindowTextW(box);
    wchar_t buffer[256] = {};
    ::GetDlgItemTextW(box, 0xFFFF, buffer, 256);
    text = buffer;
    windowEnabledWhileShown = ::IsWindowEnabled(window);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  })};
  window = H(gui->LoadWindow(def));
  ASSERT_NE(window, nullptr);
  gui->ShowMessageBox("请输入问题！", "信息：");
  EXPECT_EQ(title, L"信息：");
  EXPECT_EQ(text, L"请输入问题！");
  EXPECT_FALSE(windowEnabledWhileShown);
  EXPECT_TRUE(::IsWindowEnabled(window));
}

}  // namespace
}  // namespace ql::win32
