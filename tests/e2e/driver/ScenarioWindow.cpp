// The main window as it first appears: captions, size, styles, the one taskbar
// window, the hidden application window and the centred first placement.
#include "Scenarios.h"

namespace zeltest {

namespace {

// Seen from inside the launcher, the caption at every show of the main window is the
// final one; the polled states from outside are shown for the record.
void CheckCaptions(TReport& report, const TRunningLauncher& running, const std::wstring& spyLog) {
  std::string polled;
  for (const TTitleState& state : running.titles) {
    if (!polled.empty()) polled += " -> ";
    polled += (state.visible ? "visible " : "hidden ") + Quote(state.title);
  }
  report.Note("window.polled-captions", polled);

  const std::string seen = DescribeSpyLog(spyLog);
  int mainShows = 0;
  bool allFinal = true;
  bool applicationShown = false;
  for (const TSpyEvent& event : ReadSpyLog(spyLog)) {
    if (event.kind != L"show") continue;
    if (event.className == launcher::kApplicationClass) applicationShown = true;
    if (event.className != launcher::kMainClass) continue;
    ++mainShows;
    if (event.detail != launcher::kTitle) allFinal = false;
  }
  report.Check(mainShows > 0, "window.spy-saw-the-show", seen);
  report.Check(mainShows > 0 && allFinal, "window.captions-final-when-shown", seen);
  report.Check(!applicationShown && !running.applicationWindowShown, "window.application-window-never-shown");
}

void CheckStyles(TReport& report, HWND main) {
  const LONG style = ::GetWindowLongW(main, GWL_STYLE);
  const LONG exStyle = ::GetWindowLongW(main, GWL_EXSTYLE);
  auto has = [](LONG value, LONG bits) { return (value & bits) == bits; };
  const std::string hex = "style " + Hex(static_cast<DWORD>(style)) + ", ex style " + Hex(static_cast<DWORD>(exStyle));
  report.Check(has(style, WS_CAPTION | WS_SYSMENU | WS_VISIBLE), "window.style-caption-sysmenu", hex);
  report.Check((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
               "window.style-no-sizing-frame-no-min-max-box", hex);
  report.Check((style & (WS_CHILD | WS_POPUP)) == 0, "window.style-overlapped", hex);
  report.Check(has(exStyle, WS_EX_APPWINDOW), "window.exstyle-appwindow", hex);
  report.Check((exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) == 0, "window.exstyle-not-tool-not-topmost", hex);
  const DWORD classStyle = ::GetClassLongW(main, GCL_STYLE);
  report.Check((classStyle & CS_DBLCLKS) != 0, "window.class-style-dblclks",
               "class style " + Hex(classStyle));
  report.Check(::GetWindow(main, GW_OWNER) == nullptr, "window.no-owner");
}

void CheckSize(TReport& report, HWND main) {
  RECT client{};
  ::GetClientRect(main, &client);
  report.CheckEqual(launcher::kClient.cx, client.right, "window.client-width");
  report.CheckEqual(launcher::kClient.cy, client.bottom, "window.client-height");
  // The outer size is the client area plus the frame of exactly this style.
  RECT frame{0, 0, launcher::kClient.cx, launcher::kClient.cy};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongW(main, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(main, GWL_EXSTYLE)));
  RECT window{};
  ::GetWindowRect(main, &window);
  const SIZE outer = SizeOf(window);
  report.Check(outer.cx == frame.right - frame.left && outer.cy == frame.bottom - frame.top,
               "window.outer-size-is-client-plus-frame", Describe(window) + " vs frame " + Describe(frame));
}

// Exactly one window of the process can have a taskbar button: the main window.
void CheckTaskbarWindows(TReport& report, const TRunningLauncher& running) {
  int visible = 0;
  int appWindows = 0;
  int taskbarCandidates = 0;
  std::string list;
  for (HWND window : TopLevelWindowsOf(running.process.Id())) {
    const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
    const bool shown = ::IsWindowVisible(window) != FALSE;
    if (!list.empty()) list += ", ";
    list += Utf8(ClassNameOf(window)) + (shown ? " visible" : " hidden");
    if (!shown) continue;
    ++visible;
    if (exStyle & WS_EX_APPWINDOW) ++appWindows;
    // The shell gives a button to an unowned visible window that is not a tool window,
    // and to any visible window with WS_EX_APPWINDOW.
    const bool unownedNormal = ::GetWindow(window, GW_OWNER) == nullptr && (exStyle & WS_EX_TOOLWINDOW) == 0;
    if ((exStyle & WS_EX_APPWINDOW) || unownedNormal) ++taskbarCandidates;
  }
  report.CheckEqual(1, visible, "window.one-visible-top-level-window");
  report.CheckEqual(1, appWindows, "window.one-visible-appwindow");
  report.CheckEqual(1, taskbarCandidates, "window.one-taskbar-button");
  report.Note("window.top-level-windows", list);
}

void CheckApplicationWindow(TReport& report, const TRunningLauncher& running) {
  HWND application = FindWindowOf(running.process.Id(), launcher::kApplicationClass);
  if (!report.Check(application != nullptr, "window.application-window-exists")) return;
  report.Check(!::IsWindowVisible(application), "window.application-window-hidden");
  const LONG exStyle = ::GetWindowLongW(application, GWL_EXSTYLE);
  report.Check((exStyle & WS_EX_TOOLWINDOW) != 0, "window.application-window-tool-window");
  report.Check((exStyle & WS_EX_NOACTIVATE) != 0, "window.application-window-noactivate");
  RECT r{};
  ::GetWindowRect(application, &r);
  report.Check(r.right == r.left && r.bottom == r.top, "window.application-window-0x0", Describe(r));
}

}  // namespace

void ScenarioWindow(TContext& context) {
  TReport& report = context.report;
  const std::wstring spyLog = context.InWork(L"spy.txt");
  TRunningLauncher running = StartLauncher(context.launcherExe, {}, spyLog);
  report.CheckEqual(launcher::kTitle, WindowText(running.main), "window.title");
  CheckStyles(report, running.main);
  CheckSize(report, running.main);
  CheckTaskbarWindows(report, running);
  CheckApplicationWindow(report, running);
  RECT window{};
  ::GetWindowRect(running.main, &window);
  CheckCentred(report, "window.centred-in-work-area", window);
  report.Check(!::IsIconic(running.main) && !::IsZoomed(running.main), "window.normal-state");
  if (report.Failures() > 0) SaveScreen(context, L"window.bmp");
  ::PostMessageW(running.main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "window.exit-code-after-close", running);
  // Read once the launcher has ended: the spy's record is complete then.
  CheckCaptions(report, running, spyLog);
}

}  // namespace zeltest
