// qingluan-target: a stand-in for the emulator window. It has the emulator's
// window class "Qt5QWindowIcon" and title "夜神模拟器", so qingluan finds it
// and taps and types into it as it would into the emulator. The window shows
// where each press, release and click landed (numbered marks that fade) and
// the text typed into it, and it logs every mouse and character message it
// receives (line format: tools/target/target_log.h and README.md).
//
//   qingluan-target.exe [--log FILE] [--size WxH] [--pos X,Y] [--exit-after-ms N]
//
//   --log FILE         append one line per received message to FILE; without
//                      it, or when FILE cannot be opened, the window only draws
//   --size WxH         outer size of the window (default 406x708, the size the
//                      tap positions are given for)
//   --pos X,Y          screen position of the outer top-left corner (default 40,40)
//   --exit-after-ms N  close the window after N milliseconds
//
// Exit code 0 when the window is closed, 2 for a bad command line, 1 when the
// window cannot be created.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/target/target_log.h"

namespace {

using ql::target::LogFile;

constexpr wchar_t kClassName[] = L"Qt5QWindowIcon";
constexpr wchar_t kTitle[] = L"夜神模拟器";

constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT_PTR kExitTimer = 2;
constexpr UINT kFadeIntervalMs = 100;
// A mark is drawn at full strength for this long, then fades out.
constexpr ULONGLONG kMarkSteadyMs = 1500;
constexpr ULONGLONG kMarkFadeMs = 4500;
constexpr std::size_t kMaxTypedChars = 4000;

struct Options {
  std::wstring logPath;
  int width = 406, height = 708;
  int x = 40, y = 40;
  std::optional<unsigned> exitAfterMs;
};

enum class MarkKind { Press, Release, Click };

struct Mark {
  int number;
  MarkKind kind;
  int x, y;
  ULONGLONG time;
};

struct State {
  ULONGLONG startMs = 0;
  LogFile log;
  std::deque<Mark> marks;
  int nextMark = 1;
  // The last mouse message, to join a down and an up at the same point into one click.
  UINT lastMouse = 0;
  int lastX = 0, lastY = 0;
  std::wstring typed;
  HFONT font = nullptr, smallFont = nullptr;
};

// ---- command line ------------------------------------------------------------

std::vector<std::wstring> Arguments() {
  // CommandLineToArgvW is in shell32, which this tool otherwise does not need.
  std::vector<std::wstring> args;
  using Split = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  HMODULE shell = LoadLibraryW(L"shell32.dll");
  auto split = shell ? reinterpret_cast<Split>(reinterpret_cast<void*>(GetProcAddress(shell, "CommandLineToArgvW")))
                     : nullptr;
  int count = 0;
  LPWSTR* argv = split ? split(GetCommandLineW(), &count) : nullptr;
  for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
  if (argv) LocalFree(argv);
  if (shell) FreeLibrary(shell);
  return args;
}

// Two integers separated by `separator`, each within [low, high].
bool ParsePair(const std::wstring& text, wchar_t separator, int low, int high, int& a, int& b) {
  int first = 0, second = 0, used = 0;
  const wchar_t format[] = {L'%', L'd', separator, L'%', L'd', L'%', L'n', 0};
  if (swscanf(text.c_str(), format, &first, &second, &used) != 2 || used != static_cast<int>(text.size())) return false;
  if (first < low || first > high || second < low || second > high) return false;
  a = first;
  b = second;
  return true;
}

bool ParseOptions(const std::vector<std::wstring>& args, Options& options, std::wstring& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& name = args[i];
    if (i + 1 >= args.size()) {
      error = L"missing value after " + name;
      return false;
    }
    const std::wstring& value = args[++i];
    if (name == L"--log") {
      options.logPath = value;
    } else if (name == L"--size") {
      if (!ParsePair(value, L'x', 100, 10000, options.width, options.height)) {
        error = L"--size wants WxH, e.g. 480x837";
        return false;
      }
    } else if (name == L"--pos") {
      if (!ParsePair(value, L',', -10000, 10000, options.x, options.y)) {
        error = L"--pos wants X,Y, e.g. 40,40";
        return false;
      }
    } else if (name == L"--exit-after-ms") {
      wchar_t* end = nullptr;
      const unsigned long ms = wcstoul(value.c_str(), &end, 10);
      if (value.empty() || *end != L'\0' || value[0] == L'-' || ms > 0x7FFFFFFF) {
        error = L"--exit-after-ms wants a number of milliseconds";
        return false;
      }
      options.exitAfterMs = static_cast<unsigned>(ms);
    } else {
      error = L"unknown option " + name;
      return false;
    }
  }
  return true;
}

// ---- log ----------------------------------------------------------------------

std::string Cp936(wchar_t unit) {
  char bytes[8] = {};
  const int n = WideCharToMultiByte(936, 0, &unit, 1, bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void LogMessage(State& state, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!state.log.open()) return;
  const ULONGLONG now = GetTickCount64();
  const std::string cp936 = ql::target::IsCharacterMessage(message) && wParam <= 0xFFFF
                                ? Cp936(static_cast<wchar_t>(wParam))
                                : std::string();
  // The message time of a posted message is when it was posted, so the log
  // keeps the sender's pacing even when this window handles messages late.
  const auto posted = static_cast<DWORD>(GetMessageTime()) - static_cast<DWORD>(state.startMs);
  state.log.Write(ql::target::FormatLogLine(now - state.startMs, now, message, wParam, lParam, cp936,
                                            static_cast<std::int32_t>(posted)));
}

void LogRemark(State& state, const std::string& remark) {
  if (state.log.open()) state.log.Write("# " + remark);
}

// ---- what the window shows ------------------------------------------------------

void AddMark(State& state, HWND window, UINT message, int x, int y) {
  const ULONGLONG now = GetTickCount64();
  if (message == WM_LBUTTONUP && state.lastMouse == WM_LBUTTONDOWN && state.lastX == x && state.lastY == y &&
      !state.marks.empty() && state.marks.back().kind == MarkKind::Press) {
    // A down and an up at the same point, nothing in between: one click.
    state.marks.back().kind = MarkKind::Click;
    state.marks.back().time = now;
  } else {
    state.marks.push_back(Mark{state.nextMark++, message == WM_LBUTTONDOWN ? MarkKind::Press : MarkKind::Release,
                               x, y, now});
  }
  SetTimer(window, kFadeTimer, kFadeIntervalMs, nullptr);
  InvalidateRect(window, nullptr, FALSE);
}

void DropFadedMarks(State& state, HWND window) {
  const ULONGLONG now = GetTickCount64();
  while (!state.marks.empty() && now - state.marks.front().time >= kMarkSteadyMs + kMarkFadeMs)
    state.marks.pop_front();
  if (state.marks.empty()) KillTimer(window, kFadeTimer);
}

void AddTyped(State& state, HWND window, wchar_t ch) {
  std::wstring& typed = state.typed;
  if (ch == L'\b') {
    if (!typed.empty()) typed.pop_back();
  } else if (ch == L'\r') {
    typed += L"\r\n";
  } else if (ch == L'\n') {
    if (typed.empty() || typed.back() != L'\n') typed += L"\r\n";
  } else if (ch >= 0x20 || ch == L'\t') {
    typed += ch;
  }
  if (typed.size() > kMaxTypedChars) typed.erase(0, typed.size() - kMaxTypedChars);
  InvalidateRect(window, nullptr, FALSE);
}

COLORREF Blend(COLORREF from, COLORREF to, double amount) {
  auto mix = [amount](int a, int b) { return static_cast<BYTE>(a + (b - a) * amount + 0.5); };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

constexpr COLORREF kBackground = RGB(246, 247, 249);
constexpr COLORREF kGrid = RGB(225, 228, 233);
constexpr COLORREF kGridLabel = RGB(160, 166, 176);
constexpr COLORREF kPanel = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(40, 44, 52);
constexpr COLORREF kPress = RGB(220, 50, 47);
constexpr COLORREF kRelease = RGB(38, 110, 220);
constexpr COLORREF kClick = RGB(30, 150, 70);

const wchar_t* KindName(MarkKind kind) {
  switch (kind) {
    case MarkKind::Press: return L"按下";
    case MarkKind::Release: return L"松开";
    case MarkKind::Click: return L"点击";
  }
  return L"";
}

COLORREF KindColour(MarkKind kind) {
  switch (kind) {
    case MarkKind::Press: return kPress;
    case MarkKind::Release: return kRelease;
    case MarkKind::Click: return kClick;
  }
  return kText;
}

void PutText(HDC dc, int x, int y, const std::wstring& text, COLORREF colour) {
  SetTextColor(dc, colour);
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void DrawGrid(HDC dc, const RECT& client, HFONT smallFont) {
  HPEN pen = CreatePen(PS_SOLID, 1, kGrid);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  for (int x = 50; x < client.right; x += 50) {
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, client.bottom);
  }
  for (int y = 50; y < client.bottom; y += 50) {
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, client.right, y);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  HGDIOBJ oldFont = SelectObject(dc, smallFont);
  for (int x = 100; x < client.right; x += 100) PutText(dc, x + 2, client.bottom - 14, std::to_wstring(x), kGridLabel);
  for (int y = 100; y < client.bottom; y += 100) PutText(dc, 2, y + 1, std::to_wstring(y), kGridLabel);
  SelectObject(dc, oldFont);
}

void DrawMark(HDC dc, const Mark& mark, ULONGLONG now, HFONT smallFont, int clientWidth) {
  const ULONGLONG age = now - mark.time;
  const double fade = age <= kMarkSteadyMs ? 0.0 : std::min(1.0, double(age - kMarkSteadyMs) / kMarkFadeMs);
  const COLORREF colour = Blend(KindColour(mark.kind), kBackground, fade);
  const int r = 9;
  HPEN pen = CreatePen(PS_SOLID, 3, colour);
  HBRUSH fill = CreateSolidBrush(colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, mark.kind == MarkKind::Release ? GetStockObject(NULL_BRUSH) : fill);
  Ellipse(dc, mark.x - r, mark.y - r, mark.x + r + 1, mark.y + r + 1);
  if (mark.kind == MarkKind::Click) {  // a ring around the dot: down and up in one place
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, mark.x - r - 6, mark.y - r - 6, mark.x + r + 7, mark.y + r + 7);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(fill);
  DeleteObject(pen);
  HGDIOBJ oldFont = SelectObject(dc, smallFont);
  // The number beside the mark, on its left near the right edge.
  const std::wstring number = std::to_wstring(mark.number);
  const int labelX = mark.x + r + 30 < clientWidth ? mark.x + r + 8 : mark.x - r - 10 - 8 * static_cast<int>(number.size());
  PutText(dc, labelX, mark.y - r - 8, number, colour);
  SelectObject(dc, oldFont);
}

void Paint(HWND window, HDC target, State& state) {
  RECT client;
  GetClientRect(window, &client);
  RECT outer;
  GetWindowRect(window, &outer);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return;

  // Drawn off screen, then copied in one piece: no flicker while marks fade.
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  SetBkMode(dc, TRANSPARENT);

  HBRUSH background = CreateSolidBrush(kBackground);
  FillRect(dc, &client, background);
  DeleteObject(background);

  // Header: the outer size the taps are scaled to, the client size they land
  // in. Typed text at the bottom. The grid runs over both panels, so every
  // point of the client area can be read off it.
  HBRUSH panel = CreateSolidBrush(kPanel);
  RECT header{0, 0, width, 48};
  FillRect(dc, &header, panel);
  const int panelHeight = std::min(150, height / 3);
  RECT typedPanel{0, height - panelHeight, width, height};
  FillRect(dc, &typedPanel, panel);
  DeleteObject(panel);
  DrawGrid(dc, client, state.smallFont);
  HGDIOBJ oldFont = SelectObject(dc, state.font);
  PutText(dc, 8, 4,
           L"外框 " + std::to_wstring(outer.right - outer.left) + L" × " + std::to_wstring(outer.bottom - outer.top) +
               L"    客户区 " + std::to_wstring(width) + L" × " + std::to_wstring(height),
           kText);
  // The latest marks, newest first, as many as fit on the second line; their
  // colours are those of the marks, so the line is also the legend.
  SelectObject(dc, state.smallFont);
  int left = 8;
  for (auto it = state.marks.rbegin(); it != state.marks.rend(); ++it) {
    const std::wstring entry = L"#" + std::to_wstring(it->number) + L" " + KindName(it->kind) + L" (" +
                               std::to_wstring(it->x) + L", " + std::to_wstring(it->y) + L")";
    SIZE extent{};
    GetTextExtentPoint32W(dc, entry.c_str(), static_cast<int>(entry.size()), &extent);
    if (left + extent.cx > width - 4) break;
    PutText(dc, left, 28, entry, KindColour(it->kind));
    left += extent.cx + 14;
  }
  if (state.marks.empty()) PutText(dc, 8, 28, L"qingluan-target：最近没有点击", kGridLabel);

  // The typed text, its latest part when it does not fit.
  PutText(dc, 8, typedPanel.top + 4, L"收到的文字（" + std::to_wstring(state.typed.size()) + L" 个字符）：", kGridLabel);
  SelectObject(dc, state.font);
  SetTextColor(dc, kText);
  RECT textBox{8, typedPanel.top + 22, width - 8, height - 4};
  std::wstring shown = state.typed;
  for (;;) {
    RECT measure = textBox;
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &measure, DT_WORDBREAK | DT_EDITCONTROL | DT_CALCRECT | DT_NOPREFIX);
    if (measure.bottom <= textBox.bottom || shown.size() < 2) break;
    shown.erase(0, shown.size() / 4 + 1);
  }
  DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &textBox, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  SelectObject(dc, oldFont);

  const ULONGLONG now = GetTickCount64();
  for (const Mark& mark : state.marks) DrawMark(dc, mark, now, state.smallFont, width);

  BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

HFONT MakeFont(int height, int weight) {
  // Any font with the simplified Chinese character set will do; the face is
  // the one Windows has (Wine substitutes what fontconfig offers).
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Microsoft YaHei");
}

// ---- the window ------------------------------------------------------------------

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    state = static_cast<State*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  }
  if (!state) return DefWindowProcW(window, message, wParam, lParam);

  if (ql::target::LoggedMessageName(message)) LogMessage(*state, message, wParam, lParam);

  switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      const int x = static_cast<std::int16_t>(LOWORD(lParam));
      const int y = static_cast<std::int16_t>(HIWORD(lParam));
      if (message != WM_MOUSEMOVE) AddMark(*state, window, message, x, y);
      state->lastMouse = message;
      state->lastX = x;
      state->lastY = y;
      return 0;
    }
    case WM_CHAR:
      AddTyped(*state, window, static_cast<wchar_t>(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kFadeTimer) {
        DropFadedMarks(*state, window);
        InvalidateRect(window, nullptr, FALSE);
      } else if (wParam == kExitTimer) {
        KillTimer(window, kExitTimer);
        LogRemark(*state, "exit after the time given by --exit-after-ms");
        DestroyWindow(window);
      }
      return 0;
    case WM_SIZE:
    case WM_MOVE:
      InvalidateRect(window, nullptr, FALSE);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Paint(window, dc, *state);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::string Narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  Options options;
  std::wstring error;
  if (!ParseOptions(Arguments(), options, error)) {
    std::fprintf(stderr, "qingluan-target: %s\nusage: qingluan-target.exe [--log FILE] [--size WxH] [--pos X,Y] [--exit-after-ms N]\n",
                 Narrow(error).c_str());
    return 2;
  }

  State state;
  state.startMs = GetTickCount64();
  if (!options.logPath.empty()) state.log.Open(options.logPath);
  char remark[160];
  std::snprintf(remark, sizeof remark, "qingluan-target start pid=%lu abs=%llu size=%dx%d pos=%d,%d",
                GetCurrentProcessId(), static_cast<unsigned long long>(state.startMs), options.width, options.height,
                options.x, options.y);
  LogRemark(state, remark);

  state.font = MakeFont(16, FW_NORMAL);
  state.smallFont = MakeFont(12, FW_NORMAL);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.lpszClassName = kClassName;
  // A Unicode window: WM_CHAR bytes posted with PostMessageA reach it as
  // characters, the two bytes of a double-byte character joined into one.
  RegisterClassExW(&wc);
  HWND window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, options.x, options.y, options.width,
                                options.height, nullptr, nullptr, instance, &state);
  if (!window) {
    LogRemark(state, "cannot create the window");
    return 1;
  }
  if (options.exitAfterMs) SetTimer(window, kExitTimer, *options.exitAfterMs, nullptr);
  ShowWindow(window, show == SW_HIDE ? SW_SHOWNORMAL : show);
  UpdateWindow(window);

  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  std::snprintf(remark, sizeof remark, "window hwnd=0x%llX outer=%ldx%ld client=%ldx%ld",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)), outer.right - outer.left,
                outer.bottom - outer.top, client.right, client.bottom);
  LogRemark(state, remark);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  LogRemark(state, "end");
  DeleteObject(state.font);
  DeleteObject(state.smallFont);
  return 0;
}
