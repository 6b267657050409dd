// What the driver knows of the launcher under test: its window classes, texts and
// component boxes at 96 dpi, and how to start it, wait for its window and end it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Harness.h"

namespace zeltest {

namespace launcher {

inline constexpr wchar_t kMainClass[] = L"TMainForm";
inline constexpr wchar_t kApplicationClass[] = L"TZelApplication";
inline constexpr wchar_t kTitle[] = L"ВЕЛТ (Demo)";
inline constexpr wchar_t kDeclaredTitle[] = L"MainForm";
inline constexpr SIZE kClient{960, 449};
inline constexpr wchar_t kPurchaseAddress[] = L"http://" ZEL_VENDOR_HOST "/buy/";
inline constexpr wchar_t kFormsFolder[] = L"Документы";
inline constexpr wchar_t kSamplesFolder[] = L"Примеры";
// The window's font: Tahoma of character height 11 at 96 dpi, 14 at 120; its text
// height 13 at 96 dpi is what the declared sizes are made for.
inline constexpr int kDesignTextHeight = 13;
inline constexpr int kWindowFontHeightAt120 = 14;

// A component's box in client coordinates at 96 dpi.
struct TBox {
  int left, top, width, height;
  POINT At(int dx, int dy) const { return {left + dx, top + dy}; }
  POINT Centre() const { return {left + width / 2, top + height / 2}; }
};
inline constexpr TBox kFormList{8, 177, 468, 109};
inline constexpr TBox kSamples{479, 177, 473, 109};
inline constexpr TBox kBuyFull{8, 292, 944, 149};
inline constexpr TBox kImage1{664, 292, 161, 149};

// What the file-browser stand-in receives for a folder beside the program.
std::wstring ExplorerCall(const std::wstring& parameters);

}  // namespace launcher

// The scenario's own folder, for records, backups and screenshots.
struct TContext {
  std::wstring launcherExe;  // Windows path of the launcher under test
  std::wstring work;         // Windows path of the scenario's folder
  std::wstring workUnix;     // the same folder as Unix programs see it
  TReport report;
  std::wstring InWork(std::wstring_view name) const { return JoinPath(work, name); }
};

// Where the shell's calls are caught: the file-browser stand-in's record in the
// scenario's folder, and xdg-open's, which run-scenario.sh names (xdg-open is a Unix
// program and sees only the environment the driver was started with). Both emptied,
// and the stand-in told its record through the environment the launcher passes on.
struct TRecords {
  TRecordFile explorer;
  TRecordFile urls;
};
TRecords ShellRecords(const TContext& context);

// One (visible, title) state of the main window as seen while it came up.
struct TTitleState {
  bool visible = false;
  std::wstring title;
};

// A running launcher whose main window has been found.
struct TRunningLauncher {
  TProcess process;
  TSpyHook spy;  // set when started with a spy log
  HWND main = nullptr;
  // Every change of the main window's visibility or title from process start until
  // it was shown, in order.
  std::vector<TTitleState> titles;
  // The hidden application window was seen visible at some poll.
  bool applicationWindowShown = false;
};

// Starts the launcher and waits until its main window is shown (minimized counts).
// With a spy log, the spy DLL watches from inside the launcher from its start (see
// TSpyHook). Throws TAbort if the window is never shown.
TRunningLauncher StartLauncher(const std::wstring& exe, const TStartOptions& options = {},
                               const std::wstring& spyLog = {});

// First placement: centred in the work area, truncating, raised to the virtual desktop's edges.
POINT CentredTopLeft(const RECT& workArea, SIZE outer, const RECT& virtualScreen);

// Checks the window's top-left corner is where the first placement puts it.
void CheckCentred(TReport& report, std::string_view what, const RECT& windowRect);

// Waits for the process to end by itself and checks its exit code is 0.
void CheckEndsWithZero(TReport& report, std::string_view what, const TRunningLauncher& running);

// Saves a screenshot of the whole screen into the scenario's folder (for a failure's record).
void SaveScreen(TContext& context, std::wstring_view name);

}  // namespace zeltest
