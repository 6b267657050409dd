// Closing the main window, every way the user can, ends the process with code 0.
#include "Scenarios.h"

namespace zeltest {

void ScenarioClose(TContext& context) {
  TReport& report = context.report;
  {
    TRunningLauncher running = StartLauncher(context.launcherExe);
    // Keys go to the active window: the launcher activates itself when shown.
    const bool active = WaitUntil([&] { return ::GetForegroundWindow() == running.main; }, kReactionTimeoutMs);
    report.Check(active, "close.alt-f4.window-active");
    SendKeyChord({VK_MENU, VK_F4});
    CheckEndsWithZero(report, "close.alt-f4.exit-code", running);
  }
  {
    TRunningLauncher running = StartLauncher(context.launcherExe);
    ::PostMessageW(running.main, WM_CLOSE, 0, 0);
    CheckEndsWithZero(report, "close.wm-close.exit-code", running);
  }
  {
    TRunningLauncher running = StartLauncher(context.launcherExe);
    ::PostMessageW(running.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    CheckEndsWithZero(report, "close.system-menu-close.exit-code", running);
  }
  {
    // Log-off: the launcher agrees to end, stays when the session goes on after
    // all, and ends with code 0 when the session does end.
    TRunningLauncher running = StartLauncher(context.launcherExe);
    const auto send = [&](UINT message, WPARAM wParam, DWORD_PTR* answer) {
      return ::SendMessageTimeoutW(running.main, message, wParam, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                   kReactionTimeoutMs, answer) != 0;
    };
    DWORD_PTR agrees = 0;
    report.Check(send(WM_QUERYENDSESSION, 0, &agrees) && agrees != 0, "close.log-off.agrees");
    DWORD_PTR ignored = 0;
    const bool told = send(WM_ENDSESSION, FALSE, &ignored);
    report.Check(told && running.process.Running() && ::IsWindowVisible(running.main),
                 "close.log-off-cancelled.keeps-window");
    send(WM_ENDSESSION, TRUE, &ignored);  // no answer comes: the process ends while handling it
    CheckEndsWithZero(report, "close.log-off.exit-code", running);
  }
  {
    // Keys that no component takes: the window stays.
    TRunningLauncher running = StartLauncher(context.launcherExe);
    WaitUntil([&] { return ::GetForegroundWindow() == running.main; }, kReactionTimeoutMs);
    SendKeyChord({VK_RETURN});
    SendKeyChord({VK_SPACE});
    SendKeyChord({VK_ESCAPE});
    // Input is taken in the order it came: once a later press on the banner has
    // taken the capture, the keys before it have been handled.
    const TPressResult press = ClickClient(running.main, {100, 60});
    report.Check(press.captured && running.process.Running() && ::IsWindowVisible(running.main),
                 "close.enter-space-esc-keep-window");
    ::PostMessageW(running.main, WM_CLOSE, 0, 0);
    CheckEndsWithZero(report, "close.after-keys.exit-code", running);
  }
}

}  // namespace zeltest
