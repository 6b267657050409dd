// Drawing the lightweight components of a form on the window's composed image
// (they have no widgets of their own): command buttons as the application's
// style draws a push button, and picture boxes. What each shows (bounds,
// caption, font height, picture) is the core component's.
#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QString>
#include <memory>
#include <optional>

#include "controls/MouseRouter.h"
#include "form/Form.h"
#include "qt/Fonts.h"

class QStyle;

namespace zel::qt {

// The off-screen image one band of a paint is composed on.
struct TCanvas {
  QImage* image = nullptr;  // Format_RGB32: B G R X in memory
  TRect area;               // the rows of the client area the band covers
  QStyle* style = nullptr;
  QPalette palette;         // in the window's current colour group
  bool active = false;      // the window is the active one
  bool classic = false;     // Qt's "Windows" style: no hot look, caption sunk while pressed
};

class TComponentPainter {
 public:
  virtual ~TComponentPainter() = default;
  virtual void Paint(TCanvas& canvas, const TComponent& component, controls::TButtonLook look) = 0;
};

// A painter for the component's kind.
std::unique_ptr<TComponentPainter> MakePainter(const TComponent& component, const TFonts& fonts);

class TButtonPainter final : public TComponentPainter {
 public:
  explicit TButtonPainter(const TFonts& fonts) : fonts_(fonts) {}
  void Paint(TCanvas& canvas, const TComponent& button, controls::TButtonLook look) override;

 private:
  const TFonts& fonts_;
  // The button font, made again when the button's font height changes.
  std::optional<QFont> font_;
  int fontHeight_ = 0;
  // The font's line as Windows measures it, and the caption's size, measured
  // again when the caption or the font changes.
  TWinTextMetrics line_;
  std::wstring measured_;
  std::optional<TSize> captionSize_;
};

// A JPEG's pixels are decoded at its first drawing and kept for the window's
// life; an alpha picture (decoded at load) is blended over what lies beneath.
class TPicturePainter final : public TComponentPainter {
 public:
  void Paint(TCanvas& canvas, const TComponent& image, controls::TButtonLook look) override;

 private:
  void DecodeJpegPixels(const TPicture& picture);
  void PaintOpaque(TCanvas& canvas, const TComponent& image);
  static void PaintBlended(TCanvas& canvas, const TComponent& image);

  QImage pixels_;
  bool decodeFailed_ = false;
};

}  // namespace zel::qt
