// The show request the launcher is started with (STARTUPINFO.wShowWindow).
#include "Scenarios.h"

namespace zeltest {

namespace {

std::string StateOf(HWND window) {
  std::string state = ::IsZoomed(window) ? "maximized" : ::IsIconic(window) ? "minimized" : "normal";
  state += ::GetForegroundWindow() == window ? ", foreground" : ", not foreground";
  return state;
}

// Restoring shows the window at its centred first placement, at its declared size.
// (Read back after restoring: Wine does not give another process a window's
// normal-state rectangle through GetWindowPlacement.)
void CheckRestoresCentred(TReport& report, const std::string& name, HWND main) {
  // Sent, not posted: it returns once the launcher has handled the whole restore.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(main, WM_SYSCOMMAND, SC_RESTORE, 0, SMTO_NORMAL, kReactionTimeoutMs, &ignored);
  report.Check(!::IsIconic(main) && !::IsZoomed(main), name + ".restores");
  RECT window{};
  ::GetWindowRect(main, &window);
  CheckCentred(report, name + ".restored-centred", window);
  RECT client{};
  ::GetClientRect(main, &client);
  report.Check(client.right == launcher::kClient.cx && client.bottom == launcher::kClient.cy,
               name + ".restored-size", Describe(client));
}

void CheckRequest(TContext& context, std::optional<WORD> request, std::string_view name,
                  const std::function<void(TReport&, HWND, const std::string&)>& expect) {
  TStartOptions options;
  options.showWindow = request;
  TRunningLauncher running = StartLauncher(context.launcherExe, options);
  // The launcher takes this message once its first show is done, activation included.
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(running.main, WM_NULL, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &ignored);
  if (request != SW_SHOWMINNOACTIVE) {
    WaitUntil([&] { return ::GetForegroundWindow() == running.main; }, kReactionTimeoutMs);
  }
  const std::string state = StateOf(running.main);
  context.report.Note(std::string(name) + ".state", state);
  expect(context.report, running.main, state);
  ::PostMessageW(running.main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(context.report, std::string(name) + ".exit-code", running);
}

}  // namespace

void ScenarioShow(TContext& context) {
  // No request at all (SW_SHOWDEFAULT): normal and active. This is the baseline
  // that shows the foreground check below can tell the cases apart.
  CheckRequest(context, std::nullopt, "show.default", [](TReport& report, HWND main, const std::string& state) {
    report.Check(!::IsIconic(main) && !::IsZoomed(main), "show.default.normal", state);
    report.Check(::GetForegroundWindow() == main, "show.default.activated", state);
  });

  CheckRequest(context, SW_SHOWMAXIMIZED, "show.maximized", [](TReport& report, HWND main, const std::string& state) {
    report.Check(::IsZoomed(main) != FALSE, "show.maximized.is-zoomed", state);
    report.Check((::GetWindowLongW(main, GWL_STYLE) & WS_MAXIMIZEBOX) == 0, "show.maximized.still-no-maximize-box");
    CheckRestoresCentred(report, "show.maximized", main);
  });

  CheckRequest(context, SW_SHOWMINNOACTIVE, "show.minnoactive",
               [](TReport& report, HWND main, const std::string& state) {
                 report.Check(::IsIconic(main) != FALSE, "show.minnoactive.is-iconic", state);
                 report.Check(::GetForegroundWindow() != main, "show.minnoactive.not-activated", state);
                 CheckRestoresCentred(report, "show.minnoactive", main);
               });

  // SW_SHOWMINIMIZED is not one the launcher acts on: it asks for SW_SHOWNORMAL.
  CheckRequest(context, SW_SHOWMINIMIZED, "show.minimized", [](TReport& report, HWND main, const std::string& state) {
    report.Check(!::IsIconic(main) && !::IsZoomed(main), "show.minimized.stays-normal", state);
  });

  CheckRequest(context, SW_SHOWNORMAL, "show.normal", [](TReport& report, HWND main, const std::string& state) {
    report.Check(!::IsIconic(main) && !::IsZoomed(main), "show.normal.normal", state);
    report.Check(::GetForegroundWindow() == main, "show.normal.activated", state);
  });
}

}  // namespace zeltest
