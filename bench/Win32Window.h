// What every Windows window of the benchmark does as the launcher does: its class,
// a top-level window of the launcher's client size centred in the work area, and
// the message loop until it is closed. Each program only says what it draws.
#pragma once

#include <windows.h>

#include "win/Handles.h"

namespace zelbench {

// A window procedure that paints with Paint(dc, area) (none: no painting) and ends
// the message loop when the window is destroyed.
template <void (*Paint)(HDC, const RECT&) = nullptr>
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if constexpr (Paint != nullptr) {
    if (message == WM_PAINT) {
      zel::win::TPaint paint(hwnd);
      Paint(paint.Dc(), paint.Area());
      return 0;
    }
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// Registers the window class, with the arrow cursor; no background brush leaves
// the whole client area to WM_PAINT.
inline bool RegisterWindowClass(HINSTANCE instance, WNDPROC proc, const wchar_t* name,
                                HBRUSH background = nullptr) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  return ::RegisterClassExW(&windowClass) != 0;
}

// A top-level window of style whose client area is width x height, centred in the
// work area, as the launcher places itself; hidden.
inline zel::win::TWindow CreateCentred(HINSTANCE instance, const wchar_t* windowClass, const wchar_t* title,
                                       DWORD style, int width, int height) {
  RECT outer{0, 0, width, height};
  ::AdjustWindowRectEx(&outer, style, FALSE, 0);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return zel::win::TWindow(::CreateWindowExW(0, windowClass, title, style,
                                             work.left + (work.right - work.left - outerWidth) / 2,
                                             work.top + (work.bottom - work.top - outerHeight) / 2, outerWidth,
                                             outerHeight, nullptr, nullptr, instance, nullptr));
}

// Shows the window and runs the message loop until it is closed; dialog: the
// keyboard moves between its controls.
inline void ShowAndRun(zel::win::TWindow& window, int show, bool dialog = false) {
  ::ShowWindow(window.Get(), show);
  ::UpdateWindow(window.Get());
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (dialog && ::IsDialogMessageW(window.Get(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // Closing destroyed it already; only a failed message loop leaves it to the owner.
  if (!::IsWindow(window.Get())) window.Detach();
}

}  // namespace zelbench
