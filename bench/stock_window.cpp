// The Windows edition's window written the usual way: the launcher's banner,
// buttons and purchase picture as STATIC and BUTTON controls (common controls 6,
// themed, as the launcher's manifest asks), the pictures decoded by GDI+ from
// the same files carried as resources (the JPEG banner; the PNG composed over
// the button face), with the launcher's captions, button font and places. What
// the launcher's own painting is measured against.
#include <windows.h>
#include <shlwapi.h>

#include "LauncherLayout.h"
#include "Win32Window.h"
#include "win/Handles.h"

// The few calls of GDI+'s flat interface this program makes (gdiplus.dll); its
// C++ headers do not build under this project's warnings.
extern "C" {
struct TGdiplusStartupInput {
  UINT32 version = 1;
  void* debugEventCallback = nullptr;
  BOOL suppressBackgroundThread = FALSE;
  BOOL suppressExternalCodecs = FALSE;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const TGdiplusStartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipCreateBitmapFromStream(IStream* stream, void** bitmap);
int WINAPI GdipCreateHBITMAPFromBitmap(void* bitmap, HBITMAP* made, DWORD background);
int WINAPI GdipDisposeImage(void* image);
}

namespace {

namespace layout = zelbench::layout;

inline void ReleaseStream(IStream* stream) noexcept { stream->Release(); }
using TStream = zel::win::TOwned<IStream*, &ReleaseStream>;
inline void ReleaseGdipImage(void* image) noexcept { GdipDisposeImage(image); }
using TGdipImage = zel::win::TOwned<void*, &ReleaseGdipImage>;

// A picture resource decoded into a bitmap, its clear pixels over background.
HBITMAP LoadPicture(HINSTANCE instance, const wchar_t* name, COLORREF background) {
  HRSRC found = ::FindResourceW(instance, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return nullptr;
  const TStream stream(
      ::SHCreateMemStream(static_cast<const BYTE*>(bytes), ::SizeofResource(instance, found)));
  if (!stream) return nullptr;
  void* raw = nullptr;
  if (GdipCreateBitmapFromStream(stream.Get(), &raw) != 0) return nullptr;
  const TGdipImage image(raw);
  const DWORD argb = 0xFF000000u | static_cast<DWORD>(GetRValue(background)) << 16 |
                     static_cast<DWORD>(GetGValue(background)) << 8 | GetBValue(background);
  HBITMAP bitmap = nullptr;
  return GdipCreateHBITMAPFromBitmap(image.Get(), &bitmap, argb) == 0 ? bitmap : nullptr;
}

HWND Child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, const layout::TBox& box) {
  return ::CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, box.left, box.top,
                           box.width, box.height, parent, nullptr, nullptr, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  ULONG_PTR gdiplus = 0;
  const TGdiplusStartupInput input;
  if (GdiplusStartup(&gdiplus, &input, nullptr) != 0) return 1;
  int code = 0;
  {
    const zel::win::TBitmap banner(LoadPicture(instance, L"BANNER", 0));
    const zel::win::TBitmap picture(LoadPicture(instance, L"BUYPICTURE", ::GetSysColor(COLOR_BTNFACE)));
    const zel::win::TFont buttonFont(::CreateFontW(-layout::kButtonFontPixels, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                                   DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                   DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma"));

    if (!zelbench::RegisterWindowClass(instance, zelbench::WindowProc<>, layout::kStockClass,
                                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)))) {
      return 1;
    }
    zel::win::TWindow window =
        zelbench::CreateCentred(instance, layout::kStockClass, layout::kTitle,
                                WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, layout::kClientWidth,
                                layout::kClientHeight);
    if (!window) return 1;
    // Children made first lie on top: the purchase picture over its button.
    HWND pictureBox = Child(window.Get(), L"STATIC", nullptr, SS_BITMAP | SS_CENTERIMAGE, layout::kPicture);
    ::SendMessageW(pictureBox, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.Get()));
    HWND bannerBox = Child(window.Get(), L"STATIC", nullptr, SS_BITMAP, layout::kBanner);
    ::SendMessageW(bannerBox, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner.Get()));
    for (const layout::TButton& button : layout::kButtons) {
      HWND push = Child(window.Get(), L"BUTTON", button.caption, BS_PUSHBUTTON | WS_TABSTOP, button.box);
      ::SendMessageW(push, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.Get()), FALSE);
    }
    zelbench::ShowAndRun(window, show, true);
  }
  GdiplusShutdown(gdiplus);
  return code;
}
