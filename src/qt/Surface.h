// The form's drawing surface in Qt, made for one paint of the window: each band
// of rows is composed off screen on a 32-bit image and drawn whole into the
// backing store, which reaches the screen only when the paint is done. Buttons
// are the application's style's push button, in the window's palette.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <optional>

#include "form/Surface.h"
#include "qt/Fonts.h"

class QStyle;
class QWidget;

namespace zel::qt {

class TWidgetSurface final : public TSurface {
 public:
  // Takes widget's style, palette and activation as they are now.
  TWidgetSurface(QWidget& widget, const TFonts& fonts);

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
  // A painter of its own for each component drawn, in client coordinates, as
  // no state of one component's drawing may reach the next; none: no image.
  QPainter* FreshPainter();

  QWidget& widget_;
  const TFonts& fonts_;
  QStyle* style_;
  QPalette palette_;  // in the window's current colour group
  bool active_;
  bool classic_;      // Qt's "Windows" style: no hot look, caption sunk while pressed
  QImage image_;      // Format_RGB32: B G R X in memory; null: it could not be made
  TRect band_;
  // The painter goes before the image it paints on; the window's is the paint's.
  std::optional<QPainter> window_;
  std::optional<QPainter> painter_;
};

}  // namespace zel::qt
