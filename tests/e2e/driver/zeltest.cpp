// The end-to-end driver: runs one scenario against the launcher under test and
// prints one line per check; the exit code is the number of failed checks (capped).
//
//   zeltest <scenario> --launcher <path> --work <folder>
//   zeltest desktop                     bring up Wine's desktop, print its facts, keep it up
//   zeltest settle                      wait until Wine's own processes of the prefix have
//                                       all started (the process list unchanged a while)
//   zeltest logpixels                   exit code: this process's logical pixels per inch
//   zeltest restore-registry <backup>   put back a value a dead scenario left changed
//   zeltest take-capture L T R B        another program: a window there comes to the front
//                                       and takes the capture; exit code 0 once a left
//                                       release has come to it
//   zeltest list                        the scenarios
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "Scenarios.h"

namespace {

using namespace zeltest;

int Usage() {
  PrintLine("usage: zeltest <scenario> --launcher <path> --work <folder> | desktop | logpixels | "
            "restore-registry <backup> | list");
  return 2;
}

// Wine's desktop process comes up for the first window of a session and goes away
// when no program uses the desktop any more. The fixture keeps this running for the
// whole session, so the desktop is Wine's own explorer, started before a scenario puts
// the file browser's stand-in in its place.
int HoldDesktop() {
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"zeltest desktop", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, nullptr, nullptr);
  PrintLine("desktop " + Describe(VirtualScreen()) + ", work area " + Describe(WorkArea()) + ", " +
            std::to_string(ScreenLogPixels()) + " logical pixels per inch, Tahoma -11 \"0\" height " +
            std::to_string(TahomaTextHeight(11)) + ", -14 height " + std::to_string(TahomaTextHeight(14)));
  if (window == nullptr) return 1;
  PrintLine("holding the desktop");
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}

// Another program taking the front and the mouse capture while the left button is
// held in the launcher: the release then goes to this window, not to the launcher.
int TakeCapture(const std::vector<std::wstring>& args) {
  const RECT place{std::stoi(args[2]), std::stoi(args[3]), std::stoi(args[4]), std::stoi(args[5])};
  const TProbeWindow window(place, kCaptureTakerTitle);
  window.RunOnThread([&] {
    ::SetForegroundWindow(window.Handle());
    ::SetCapture(window.Handle());
  });
  return WaitUntil([&] { return window.LeftReleases() > 0; }, kWindowTimeoutMs) ? 0 : 1;
}

// Wine starts its own service processes when the first program of a session runs,
// and more on demand; one starting while a scenario sends input can hold that input
// up for seconds. Waits until the prefix's process list has stayed the same for two
// seconds (at most a minute) and prints it.
int Settle() {
  std::vector<std::wstring> last;
  ULONGLONG since = ::GetTickCount64();
  const ULONGLONG deadline = since + 60000;
  for (;;) {
    std::vector<std::wstring> now = ProcessNames();
    std::sort(now.begin(), now.end());
    const ULONGLONG tick = ::GetTickCount64();
    if (now != last) since = tick;
    last = std::move(now);
    if (tick - since >= 2000 || tick >= deadline) break;
    ::Sleep(100);
  }
  std::string names;
  for (const std::wstring& name : last) names += " " + Utf8(name);
  PrintLine("processes:" + names);
  return 0;
}

int RunScenario(const std::vector<std::wstring>& args) {
  const std::string name = Utf8(args[1]);
  const auto* scenario = std::find_if(std::begin(kScenarios), std::end(kScenarios),
                                      [&](const TScenario& s) { return name == s.name; });
  if (scenario == std::end(kScenarios)) {
    PrintLine("unknown scenario " + name);
    return Usage();
  }
  TContext context;
  for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
    if (args[i] == L"--launcher") context.launcherExe = WindowsPath(args[i + 1]);
    if (args[i] == L"--work") {
      context.workUnix = args[i + 1];
      context.work = WindowsPath(args[i + 1]);
    }
  }
  if (context.launcherExe.empty() || context.work.empty()) return Usage();
  if (::GetFileAttributesW(context.launcherExe.c_str()) == INVALID_FILE_ATTRIBUTES) {
    PrintLine("FAIL " + name + ": no launcher at " + Quote(context.launcherExe));
    return 1;
  }
  PrintLine("scenario " + name + ": " + scenario->about);
  try {
    scenario->run(context);
  } catch (const TAbort& abort) {
    context.report.Check(false, name + ".aborted", abort.what());
    SaveScreen(context, Wide(name) + L"-aborted.bmp");
  }
  const int failures = context.report.Failures();
  PrintLine(failures == 0 ? "scenario " + name + ": all checks passed"
                          : "scenario " + name + ": " + std::to_string(failures) + " check(s) failed");
  return std::min(failures, 100);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // No error boxes: nobody is there to dismiss them.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const std::vector<std::wstring> args(argv, argv + argc);
  if (args.size() < 2) return Usage();
  const std::wstring& command = args[1];
  if (command == L"desktop") return HoldDesktop();
  if (command == L"logpixels") return ScreenLogPixels();
  if (command == L"settle") return Settle();
  if (command == L"take-capture" && args.size() == 6) return TakeCapture(args);
  if (command == L"restore-registry" && args.size() == 3) return RestoreRegistryBackup(WindowsPath(args[2])) ? 0 : 1;
  if (command == L"list") {
    for (const TScenario& s : kScenarios) PrintLine(std::string(s.name) + ": " + s.about);
    return 0;
  }
  return RunScenario(args);
}
