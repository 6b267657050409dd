// The Windows edition's floor: the least a Win32 program does to show the
// launcher's window with its three captions, in the launcher's button font
// (Tahoma Bold) and places, and close when asked. No buttons, no pictures: what
// any program showing this text must spend. The window font is made and measured
// as the launcher makes it.
#include <windows.h>

#include "LauncherLayout.h"
#include "controls/Caption.h"
#include "win/Handles.h"

namespace {

namespace layout = zelbench::layout;

HFONT g_buttonFont = nullptr;

HFONT Tahoma(int pixels, bool bold) {
  return ::CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

void PaintCaptions(HDC dc, const RECT& area) {
  ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  const HGDIOBJ was = ::SelectObject(dc, g_buttonFont);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  for (const layout::TButton& button : layout::kButtons) {
    const int length = ::lstrlenW(button.caption);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, button.caption, length, &size);
    const zel::TRect face{button.box.left + layout::kFaceInset, button.box.top + layout::kFaceInset,
                          button.box.width - 2 * layout::kFaceInset, button.box.height - 2 * layout::kFaceInset};
    const zel::TRect place = zel::controls::CaptionRect(face, {size.cx, size.cy}, button.imageRight);
    ::TextOutW(dc, place.left, place.top, button.caption, length);
  }
  ::SelectObject(dc, was);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      zel::win::TPaint paint(hwnd);
      PaintCaptions(paint.Dc(), paint.Area());
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
  const zel::win::TFont buttonFont(Tahoma(layout::kButtonFontPixels, true));
  const zel::win::TFont windowFont(Tahoma(layout::kWindowFontPixels, false));
  g_buttonFont = buttonFont.Get();
  {
    // The launcher measures its window font's "0" before it sizes the window.
    const zel::win::TWindowDc screen(nullptr);
    const HGDIOBJ was = ::SelectObject(screen.Get(), windowFont.Get());
    SIZE zero{};
    ::GetTextExtentPoint32W(screen.Get(), L"0", 1, &zero);
    ::SelectObject(screen.Get(), was);
  }

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = layout::kFloorClass;
  if (::RegisterClassExW(&windowClass) == 0) return 1;

  constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  RECT outer{0, 0, layout::kClientWidth, layout::kClientHeight};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  zel::win::TWindow window(::CreateWindowExW(0, layout::kFloorClass, layout::kTitle, kStyle,
                                             work.left + (work.right - work.left - width) / 2,
                                             work.top + (work.bottom - work.top - height) / 2, width, height,
                                             nullptr, nullptr, instance, nullptr));
  if (!window) return 1;
  ::ShowWindow(window.Get(), show);
  ::UpdateWindow(window.Get());

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (!::IsWindow(window.Get())) window.Detach();
  return 0;
}
