// The form's drawing surface on GTK: the components are drawn straight into
// GDK's frame with cairo, command buttons as GTK's style machinery draws a push
// button (or in the classic raised look) with Pango captions. The frame's pixels
// cannot be read, so a picture blended over what lies beneath it is composed in
// an image of its own block, made to suit the window.
#pragma once

#include <memory>

#include "form/Surface.h"
#include "gtk/Fonts.h"
#include "gtk/Handles.h"

namespace zel::gtk {

// What every surface of one paint draws with.
struct TPaintStyle {
  GdkWindow* window = nullptr;            // images are made to suit it
  GtkStyleContext* background = nullptr;  // the window's background, in its activation's state
  GtkStyleContext* button = nullptr;      // a push button's style, in the window's
  PangoContext* pango = nullptr;          // the screen's font settings
  const TFonts* fonts = nullptr;
  bool active = false;   // the window is the active one
  bool classic = false;  // the classic look: no hot look, caption sunk while pressed
};

class TWindowSurface final : public TSurface {
 public:
  // The window's frame for one paint, drawn on through cr.
  TWindowSurface(const TPaintStyle& style, cairo_t* cr) noexcept : style_(style), cr_(cr) {}

  TBanding Banding() const override { return {}; }
  void BeginPaint(const TRect& area, int bandRows) override;
  void BeginBand(const TRect&) override {}
  void EndBand(const TRect&) override {}
  TRect Area() const override { return area_; }
  bool Themed() const override { return !style_.classic; }
  void FillBackground(const TRect& area) override;
  TRect DrawPushButton(const TRect& bounds, controls::TButtonLook look) override;
  std::unique_ptr<TSurfaceFont> MakeFont(const TFontDecl& font, int height) override;
  TSize MeasureCaption(const TSurfaceFont& font, std::wstring_view caption) override;
  void DrawCaption(const TSurfaceFont& font, std::wstring_view caption, const TRect& place,
                   controls::TButtonLook look) override;
  int DisplayBits() const override;
  TPixelLayout ImageLayout() const override { return TPixelLayout::Bgrx; }
  TImageRows MakeImage(TSize size) override;
  std::unique_ptr<TSurfaceImage> MakePalettedImage(const picture::TPalettedImage& image) override;
  void DrawImage(const TSurfaceImage& image, TPoint at, TSize size) override;
  TBgrxBlock LockBlock(const TRect& block) override;
  void UnlockBlock(const TRect& block) override;
  std::unique_ptr<TSurface> MakeComposer(const TRect& block) override;
  void DrawComposer(TSurface& composer, const TRect& block) override;

 private:
  // A composer: block's own image, drawn on in client coordinates.
  TWindowSurface(const TPaintStyle& style, TCairoSurface image, TCairo cr, const TRect& block) noexcept;
  GtkStateFlags ButtonState(controls::TButtonLook look) const noexcept;

  const TPaintStyle& style_;
  TCairoSurface image_;  // a composer's pixels, CAIRO_FORMAT_RGB24 (B G R X in memory); none: the frame
  TCairo ownCr_;    // a composer's context
  cairo_t* cr_ = nullptr;
  TRect area_;
};

// The classic push button's frame (raised, or sunk while pressed) over the
// window's background; returns the face it leaves for the caption.
TRect DrawClassicButton(cairo_t* cr, const TRect& bounds, bool pressed);

}  // namespace zel::gtk
