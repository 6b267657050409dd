// The form's drawing surface on Win32: each paint is composed off screen a band
// of rows at a time, in a 32-bit DIB section, and copied to the window in one
// step, so nothing flickers and the buffer stays a fraction of the window.
// Buttons are the theme's push button or the classic 3-D frame.
#pragma once

#include <windows.h>

#include <cstdint>

#include "form/Painter.h"
#include "form/Surface.h"
#include "win/Handles.h"
#include "win/Theme.h"

namespace zel::win {

// A font as a definition declares it, height pixels high.
TFont CreateDeclaredFont(const TFontDecl& font, int height);

class TWindowSurface final : public TSurface {
 public:
  explicit TWindowSurface(const TButtonTheme& theme) noexcept : theme_(theme) {}

  // The painter paints area of window on target, the window's paint DC.
  void Paint(TFormPainter& painter, HWND window, HDC target, const TRect& area);
  void Release() noexcept;

  TBanding Banding() const override;
  void BeginPaint(const TRect& area, int bandRows) override;
  void BeginBand(const TRect& band) override;
  void EndBand(const TRect& band) override;
  TRect Area() const override;
  bool Themed() const override;
  void FillBackground(const TRect& area) override;
  TRect DrawPushButton(const TRect& bounds, controls::TButtonLook look) override;
  std::unique_ptr<TSurfaceFont> MakeFont(const TFontDecl& font, int height) override;
  TSize MeasureCaption(const TSurfaceFont& font, std::wstring_view caption) override;
  void DrawCaption(const TSurfaceFont& font, std::wstring_view caption, const TRect& place,
                   controls::TButtonLook look) override;
  int DisplayBits() const override;
  TPixelLayout ImageLayout() const override;
  TImageRows MakeImage(TSize size) override;
  std::unique_ptr<TSurfaceImage> MakePalettedImage(const picture::TPalettedImage& image) override;
  void DrawImage(const TSurfaceImage& image, TPoint at, TSize size) override;
  TBgrxBlock LockBlock(const TRect& block) override;

 private:
  const TButtonTheme& theme_;
  HWND window_ = nullptr;
  HDC target_ = nullptr;
  // The band every paint is composed on, in client coordinates; the DC goes first.
  TBitmap bitmap_;
  TMemoryDc dc_;
  std::uint8_t* bits_ = nullptr;  // top-down, B G R X
  int width_ = 0;
  int height_ = 0;
  TRect band_;
  int saved_ = 0;
};

}  // namespace zel::win
