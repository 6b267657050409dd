// The Windows edition's floor: the least a Win32 program does to show the
// launcher's window with its three captions, in the launcher's button font
// (Tahoma Bold) and places, and close when asked. No buttons, no pictures: what
// any program showing this text must spend. The window font is made and measured
// as the launcher makes it.
#include <windows.h>

#include "LauncherLayout.h"
#include "Win32Window.h"
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

  if (!zelbench::RegisterWindowClass(instance, zelbench::WindowProc<PaintCaptions>, layout::kFloorClass)) return 1;
  zel::win::TWindow window = zelbench::CreateCentred(instance, layout::kFloorClass, layout::kTitle,
                                                     WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS, layout::kClientWidth,
                                                     layout::kClientHeight);
  if (!window) return 1;
  zelbench::ShowAndRun(window, show);
  return 0;
}
