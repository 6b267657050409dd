// Drawing the lightweight components of a form on the window's own surface
// (they have no windows of their own): command buttons as the theme or the
// classic 3-D frame draws a push button, and picture boxes. What each shows
// (bounds, caption, font height, picture) is the core component's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "controls/MouseRouter.h"
#include "form/Form.h"
#include "win/Handles.h"
#include "win/Theme.h"

namespace zel::win {

// The window's off-screen surface while one paint is composed.
struct TCanvas {
  HWND window = nullptr;
  HDC dc = nullptr;                  // memory DC holding the 32-bit surface, in client coordinates
  std::uint8_t* bits = nullptr;      // top-down, B G R X
  std::size_t stride = 0;
  TRect surface;                     // the client area the surface covers
  TRect clip;                        // the area being repainted, within the surface
  const TButtonTheme* theme = nullptr;
};

class TComponentPainter {
 public:
  virtual ~TComponentPainter() = default;
  virtual void Paint(const TCanvas& canvas, const TComponent& component, controls::TButtonLook look) = 0;
};

// A painter for the component's kind.
std::unique_ptr<TComponentPainter> MakePainter(const TComponent& component);

class TButtonPainter final : public TComponentPainter {
 public:
  void Paint(const TCanvas& canvas, const TComponent& button, controls::TButtonLook look) override;

 private:
  // The button font, made again when the button's font height changes.
  TFont font_;
  int fontHeight_ = 0;
  // The caption's size, measured again when the caption or the font changes.
  std::wstring measured_;
  std::optional<TSize> captionSize_;
};

// A JPEG's pixels are decoded at its first drawing and kept for the window's
// life; an alpha picture (decoded at load) is blended over what lies beneath.
class TPicturePainter final : public TComponentPainter {
 public:
  void Paint(const TCanvas& canvas, const TComponent& image, controls::TButtonLook look) override;

 private:
  void DecodeJpegPixels(HDC reference, const TPicture& picture);
  void PaintOpaque(const TCanvas& canvas, const TComponent& image);
  void PaintBlended(const TCanvas& canvas, const TComponent& image);

  TBitmap bitmap_;
  bool decodeFailed_ = false;
};

}  // namespace zel::win
