// The benchmark's baseline: the least a Win32 program can do to show a window of
// the launcher's client size, painted in one colour, and close when asked.
#include <windows.h>

#include "MinimalWindow.h"
#include "Win32Window.h"
#include "win/Handles.h"

namespace {

namespace minimal = zelbench::minimal;

HBRUSH g_fill = nullptr;

void PaintColour(HDC dc, const RECT& area) { ::FillRect(dc, &area, g_fill); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const zel::win::TOwned<HBRUSH, &zel::win::ReleaseGdiObject<HBRUSH>> fill(
      ::CreateSolidBrush(RGB(minimal::kRed, minimal::kGreen, minimal::kBlue)));
  g_fill = fill.Get();

  // No background brush: WM_PAINT alone puts the colour on screen.
  if (!zelbench::RegisterWindowClass(instance, zelbench::WindowProc<PaintColour>, minimal::kWindowClass)) return 1;
  zel::win::TWindow window =
      zelbench::CreateCentred(instance, minimal::kWindowClass, L"Minimal window",
                              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, minimal::kClientWidth,
                              minimal::kClientHeight);
  if (!window) return 1;
  zelbench::ShowAndRun(window, show);
  return 0;
}
