#include "Launcher.h"

#include <algorithm>

namespace zeltest {

std::wstring launcher::ExplorerCall(const std::wstring& parameters) {
  // Wine hands the file browser its own full path, quoted, then the parameters verbatim.
  return L"\"C:\\windows\\system32\\explorer.exe\" " + parameters;
}

TRunningLauncher StartLauncher(const std::wstring& exe, const TStartOptions& options, const std::wstring& spyLog) {
  TStartOptions startOptions = options;
  startOptions.suspended = startOptions.suspended || !spyLog.empty();
  if (!spyLog.empty()) ::SetEnvironmentVariableW(L"ZEL_SPY_LOG", spyLog.c_str());
  TRunningLauncher running{TProcess::Start(exe, startOptions), {}, nullptr, {}, false};
  if (!spyLog.empty()) {
    ::SetEnvironmentVariableW(L"ZEL_SPY_LOG", nullptr);
    running.spy = TSpyHook(running.process.MainThreadId());
  }
  if (startOptions.suspended) running.process.Resume();
  const DWORD id = running.process.Id();
  // Watch the title and visibility from the start, for the record: the window exists
  // hidden before it is shown. (The spy sees what falls between two polls.)
  HWND application = nullptr;
  const bool shown = WaitUntil(
      [&] {
        if (application == nullptr) application = FindWindowOf(id, launcher::kApplicationClass);
        if (application != nullptr && ::IsWindowVisible(application)) running.applicationWindowShown = true;
        if (running.main == nullptr) running.main = FindWindowOf(id, launcher::kMainClass);
        if (running.main == nullptr) return !running.process.Running();
        // Visibility first, then the title: a title read after the window was seen
        // visible is one the user could see.
        const bool visible = ::IsWindowVisible(running.main) != FALSE;
        TTitleState state{visible, WindowText(running.main)};
        if (running.titles.empty() || running.titles.back().visible != state.visible ||
            running.titles.back().title != state.title) {
          running.titles.push_back(std::move(state));
        }
        return visible;
      },
      kWindowTimeoutMs, 1);
  if (!shown || running.main == nullptr || !::IsWindowVisible(running.main)) {
    throw TAbort(running.process.Running() ? "the launcher's main window was not shown"
                                           : "the launcher ended before showing its window");
  }
  // Shown is not yet ready for input: a click sent before the launcher's thread first
  // waits for input can reach it late. Wait until it is idle and answers.
  ::WaitForInputIdle(running.process.Handle(), kWindowTimeoutMs);
  if (!WaitUntilResponsive(running.main, kWindowTimeoutMs)) throw TAbort("the launcher's window does not answer");
  return running;
}

POINT CentredTopLeft(const RECT& workArea, SIZE outer, const RECT& virtualScreen) {
  const SIZE work = SizeOf(workArea);
  // C++ division truncates towards zero, as the placement rule says.
  const LONG left = workArea.left + (work.cx - outer.cx) / 2;
  const LONG top = workArea.top + (work.cy - outer.cy) / 2;
  return {std::max(left, virtualScreen.left), std::max(top, virtualScreen.top)};
}

void CheckCentred(TReport& report, std::string_view what, const RECT& windowRect) {
  const RECT work = WorkArea();
  const POINT expected = CentredTopLeft(work, SizeOf(windowRect), VirtualScreen());
  const bool ok = windowRect.left == expected.x && windowRect.top == expected.y;
  report.Check(ok, what,
               "window " + Describe(windowRect) + " in work area " + Describe(work) + ", expected top-left (" +
                   std::to_string(expected.x) + "," + std::to_string(expected.y) + ")");
}

void CheckEndsWithZero(TReport& report, std::string_view what, const TRunningLauncher& running) {
  const std::optional<DWORD> code = running.process.WaitForExit(kWindowTimeoutMs);
  if (!code) {
    report.Check(false, what, "the process is still running");
    return;
  }
  report.CheckEqual(0, *code, what);
}

void SaveScreen(TContext& context, std::wstring_view name) {
  const std::wstring path = context.InWork(name);
  if (TScreenshot::Capture(VirtualScreen()).SaveBmp(path)) context.report.Note("screenshot", Utf8(path));
}

TRecords ShellRecords(const TContext& context) {
  const std::wstring urlRecord = EnvironmentValue(L"ZEL_URL_RECORD");
  if (urlRecord.empty()) throw TAbort("ZEL_URL_RECORD is not set: run the scenario through run-scenario.sh");
  TRecords records{TRecordFile(context.InWork(L"explorer-calls.txt")), TRecordFile(WindowsPath(urlRecord))};
  records.explorer.Clear();
  records.urls.Clear();
  SetEnvironmentValue(L"ZEL_RECORD", records.explorer.Path());
  return records;
}

}  // namespace zeltest
