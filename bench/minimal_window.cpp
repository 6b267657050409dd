// The benchmark's baseline: the least a Win32 program can do to show a window of
// the launcher's client size, painted in one colour, and close when asked.
#include <windows.h>

#include "MinimalWindow.h"
#include "win/Handles.h"

namespace {

namespace minimal = zelbench::minimal;

HBRUSH g_fill = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      zel::win::TPaint paint(hwnd);
      ::FillRect(paint.Dc(), &paint.Area(), g_fill);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const zel::win::TOwned<HBRUSH, &zel::win::ReleaseGdiObject<HBRUSH>> fill(
      ::CreateSolidBrush(RGB(minimal::kRed, minimal::kGreen, minimal::kBlue)));
  g_fill = fill.Get();

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = minimal::kWindowClass;
  // No background brush: WM_PAINT alone puts the colour on screen.
  if (::RegisterClassExW(&windowClass) == 0) return 1;

  constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
  RECT outer{0, 0, minimal::kClientWidth, minimal::kClientHeight};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  // Centred in the work area, as the launcher places itself.
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  zel::win::TWindow window(::CreateWindowExW(0, minimal::kWindowClass, L"Minimal window", kStyle,
                                                   work.left + (work.right - work.left - width) / 2,
                                                   work.top + (work.bottom - work.top - height) / 2, width,
                                                   height, nullptr, nullptr, instance, nullptr));
  if (!window) return 1;
  ::ShowWindow(window.Get(), show);
  ::UpdateWindow(window.Get());

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // Closing destroyed it already; only a failed message loop leaves it to the owner.
  if (!::IsWindow(window.Get())) window.Detach();
  return 0;
}
