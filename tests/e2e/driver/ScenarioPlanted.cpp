// DLLs planted beside the program: a copy of the launcher in a folder that also holds
// UxTheme.dll, dwmapi.dll and version.dll of our own, each of which leaves a marker file
// and ends the process with its own exit code when loaded. The launcher must come up
// with its buttons drawn by the system's uxtheme, run none of them and close with 0.
//
// run-scenario.sh makes Wine prefer a DLL found on the search path to its built-in one
// for uxtheme and dwmapi ("n,b"), as Windows always does. Not for version: Wine's own
// user32 imports it, and Wine has no known-DLL list, so with "n,b" every program here,
// however careful, loads a planted version.dll before its first instruction runs; on
// Windows user32 is a known DLL and what it imports comes from the system folder. The
// planted version.dll stays, under Wine's own order.
#include "Scenarios.h"

#include <uxtheme.h>
#include <vssym32.h>

namespace zeltest {

namespace {

struct TPlanted {
  const wchar_t* name;
  DWORD exitCode;
  bool live;  // Wine is told to prefer it to its built-in DLL
};
constexpr TPlanted kPlanted[] = {
    {L"UxTheme.dll", 0x5A1, true},
    {L"version.dll", 0x5A2, false},
    {L"dwmapi.dll", 0x5A3, true},
};

std::wstring MarkerOf(const std::wstring& folder, const TPlanted& planted) {
  return JoinPath(folder, std::wstring(planted.name) + L".ran");
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The planted DLLs that left their marker, by name.
std::string MarkersIn(const std::wstring& folder) {
  std::string ran;
  for (const TPlanted& planted : kPlanted) {
    if (Exists(MarkerOf(folder, planted))) ran += (ran.empty() ? "" : ", ") + Utf8(planted.name);
  }
  return ran;
}

std::string DescribeExit(std::optional<DWORD> code) {
  if (!code) return "still running";
  for (const TPlanted& planted : kPlanted) {
    if (*code == planted.exitCode) return Hex(*code) + ", the code of the planted " + Utf8(planted.name);
  }
  return Hex(*code);
}

// The theme's push button in its normal state, drawn here at the button's size over the
// window's background: what the launcher's button must look like on screen. Pixels
// 0x00RRGGBB, top-down rows; empty if there is no theme.
std::vector<std::uint32_t> ThemedButtonFace(SIZE size) {
  HTHEME theme = ::OpenThemeData(nullptr, L"BUTTON");
  if (theme == nullptr) return {};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDib32(nullptr, size.cx, size.cy, &bits);
  HDC memory = ::CreateCompatibleDC(nullptr);
  std::vector<std::uint32_t> pixels;
  if (bitmap != nullptr && bits != nullptr) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    RECT rect{0, 0, size.cx, size.cy};
    ::FillRect(memory, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawThemeBackground(theme, memory, BP_PUSHBUTTON, PBS_NORMAL, &rect, nullptr);
    ::GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    pixels.assign(source, source + static_cast<std::size_t>(size.cx) * size.cy);
    for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
    ::SelectObject(memory, old);
  }
  if (bitmap != nullptr) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::CloseThemeData(theme);
  return pixels;
}

// The form list button's face, away from its caption, as the theme draws a push
// button; waits for it, since the pointer may have left a button hot a moment ago.
void CheckButtonsThemed(TReport& report, HWND main) {
  MovePointer({VirtualScreen().right - 1, VirtualScreen().bottom - 1});
  const SIZE size{launcher::kFormList.width, launcher::kFormList.height};
  const std::vector<std::uint32_t> expected = ThemedButtonFace(size);
  if (!report.Check(!expected.empty(), "planted.theme-available", "OpenThemeData(BUTTON) in the driver")) return;
  const POINT probes[] = {{20, 20}, {size.cx - 20, size.cy - 20}, {size.cx / 2, 8}, {12, size.cy / 2}};
  std::string detail;
  const bool themed = WaitUntil(
      [&] {
        const TScreenshot shot = TScreenshot::Capture(ClientRectOnScreen(main));
        detail.clear();
        bool same = true;
        for (const POINT& p : probes) {
          const POINT at = launcher::kFormList.At(p.x, p.y);
          const std::uint32_t seen = shot.Pixel(at.x, at.y);
          const std::uint32_t wanted = expected[static_cast<std::size_t>(p.y) * size.cx + p.x];
          same = same && seen == wanted;
          detail += (detail.empty() ? "(" : "; (") + std::to_string(p.x) + "," + std::to_string(p.y) + ") " +
                    Hex(seen) + ", theme " + Hex(wanted);
        }
        return same;
      },
      kReactionTimeoutMs, 50);
  report.Check(themed, "planted.buttons-themed", detail);
}

// The launcher beside the planted DLLs: its window, the uxtheme it loaded, its buttons
// and its exit code.
void RunLauncher(TReport& report, const std::wstring& exe) {
  const TProcess process = TProcess::Start(exe);
  HWND main = nullptr;
  const bool shown = WaitUntil(
      [&] {
        main = FindWindowOf(process.Id(), launcher::kMainClass);
        return (main != nullptr && ::IsWindowVisible(main)) || !process.Running();
      },
      kWindowTimeoutMs);
  const bool running = process.Running();
  if (!report.Check(shown && running, "planted.window-shown",
                    !running ? "ended with " + DescribeExit(process.WaitForExit(0))
                             : shown ? std::string() : std::string("no window shown"))) {
    return;
  }

  const std::vector<std::wstring> modules = ModulePathsOf(process.Handle());
  std::wstring uxtheme;
  std::string beside;
  for (std::size_t i = 1; i < modules.size(); ++i) {
    const std::wstring& path = modules[i];
    if (SamePath(FolderOf(path), FolderOf(modules.front()))) beside += (beside.empty() ? "" : " ") + Quote(path);
    if (SamePath(std::wstring_view(path).substr(path.find_last_of(L'\\') + 1), L"uxtheme.dll")) uxtheme = path;
  }
  report.Check(SamePath(uxtheme, JoinPath(SystemFolder(), L"uxtheme.dll")), "planted.uxtheme-from-system-folder",
               (uxtheme.empty() ? std::string("not loaded") : Quote(uxtheme)) + ", " + std::to_string(modules.size()) +
                   " modules");
  // Wine loads its own version.dll for the planted one, under Wine's own order, but
  // names it by the path where it found that file.
  if (!beside.empty()) report.Note("planted.modules-named-beside-the-program", beside);

  CheckButtonsThemed(report, main);
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  const std::optional<DWORD> code = process.WaitForExit(kWindowTimeoutMs);
  report.Check(code == 0u, "planted.exit-code", DescribeExit(code));
}

}  // namespace

void ScenarioPlanted(TContext& context) {
  TReport& report = context.report;
  const std::wstring overrides = EnvironmentValue(L"WINEDLLOVERRIDES");
  if (overrides.find(L"uxtheme") == std::wstring::npos || overrides.find(L"dwmapi") == std::wstring::npos) {
    throw TAbort("WINEDLLOVERRIDES " + Quote(overrides) + " does not prefer native uxtheme and dwmapi: "
                 "run the scenario through run-scenario.sh --dll-overrides");
  }
  const std::wstring source = JoinPath(FolderOf(ThisProgram()), L"planted");
  const TScratchFolder folder(context.InWork(L"app"));
  const std::wstring exe = folder.CopyIn(context.launcherExe, L"ZelProject.exe");
  for (const TPlanted& planted : kPlanted) folder.CopyIn(JoinPath(source, planted.name), planted.name);

  RunLauncher(report, exe);
  const std::string ran = MarkersIn(folder.Path());
  report.Check(ran.empty(), "planted.no-planted-dll-ran", ran.empty() ? "no marker" : "markers of " + ran);

  // The planted copies are live: a program that loads them by bare name from the same
  // folder runs their code. Without this, Wine ignoring them would pass the test.
  const std::wstring loader = folder.CopyIn(JoinPath(source, L"plain-loader.exe"), L"plain-loader.exe");
  for (const TPlanted& planted : kPlanted) {
    if (!planted.live) continue;
    TStartOptions options;
    options.arguments = planted.name;
    const TProcess process = TProcess::Start(loader, options);
    const std::optional<DWORD> code = process.WaitForExit(kWindowTimeoutMs);
    const bool marked = Exists(MarkerOf(folder.Path(), planted));
    report.Check(code == planted.exitCode && marked, "planted.live-" + Utf8(planted.name),
                 "a plain LoadLibrary beside it: exit " + DescribeExit(code) +
                     (marked ? ", marker written" : ", no marker"));
    ::DeleteFileW(MarkerOf(folder.Path(), planted).c_str());
  }
}

}  // namespace zeltest
