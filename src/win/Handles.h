// Owners for Win32 handles: each is released exactly once, whatever path is taken.
#pragma once

#include <windows.h>

#include "core/Owned.h"

namespace zel::win {

using zel::TOwned;

template <typename Object>
void ReleaseGdiObject(Object h) noexcept {
  ::DeleteObject(h);
}
inline void ReleaseMemoryDc(HDC h) noexcept { ::DeleteDC(h); }
inline void ReleaseIcon(HICON h) noexcept { ::DestroyIcon(h); }
inline void ReleaseLibrary(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void ReleaseWindow(HWND h) noexcept { ::DestroyWindow(h); }

using TFont = TOwned<HFONT, &ReleaseGdiObject<HFONT>>;
using TBitmap = TOwned<HBITMAP, &ReleaseGdiObject<HBITMAP>>;
using TMemoryDc = TOwned<HDC, &ReleaseMemoryDc>;
using TIcon = TOwned<HICON, &ReleaseIcon>;
using TModule = TOwned<HMODULE, &ReleaseLibrary>;
using TWindow = TOwned<HWND, &ReleaseWindow>;

// A 32-bit top-down DIB section: B G R X, width * 4 bytes a row, its pixels in *bits.
inline HBITMAP CreateDib32(HDC reference, int width, int height, void** bits) noexcept {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A window's device context from GetDC, given back with ReleaseDC.
class TWindowDc {
 public:
  explicit TWindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~TWindowDc() { ::ReleaseDC(hwnd_, dc_); }
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  HDC Get() const noexcept { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a device context for one scope.
class TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~TSelection() { ::SelectObject(dc_, previous_); }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class TPaint {
 public:
  explicit TPaint(HWND hwnd) noexcept : hwnd_(hwnd) { ::BeginPaint(hwnd_, &ps_); }
  ~TPaint() { ::EndPaint(hwnd_, &ps_); }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  HDC Dc() const noexcept { return ps_.hdc; }
  const RECT& Area() const noexcept { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
};

}  // namespace zel::win
