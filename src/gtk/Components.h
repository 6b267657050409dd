// Drawing the lightweight components of a form on the window's frame (they have
// no widgets of their own): command buttons as GTK's style
// machinery draws a push button, or in the classic raised look, and picture
// boxes. What each shows (bounds, caption, font height, picture) is the core
// component's.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "controls/MouseRouter.h"
#include "form/Form.h"
#include "gtk/Fonts.h"
#include "gtk/Handles.h"

namespace zel::gtk {

// What one paint draws on: the window's frame, or an off-screen image where a
// picture is blended over what lies beneath it.
struct TCanvas {
  cairo_surface_t* image = nullptr;  // the image, CAIRO_FORMAT_RGB24 (B G R X in memory); none: the frame
  GdkWindow* window = nullptr;       // the window drawn to, for images made to suit it
  cairo_t* cr = nullptr;             // on the image, in client coordinates
  TRect area;                        // the part of the client area drawn
  GtkStyleContext* button = nullptr; // a push button's style, in the window's
  PangoContext* pango = nullptr;     // the screen's font settings
  bool active = false;               // the window is the active one
  bool classic = false;              // the classic look: no hot look, caption sunk while pressed
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
  TFontDescription font_;
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
  void DecodeJpegPixels(const TPicture& picture, GdkWindow* window);
  void PaintOpaque(TCanvas& canvas, const TComponent& image);
  static void PaintBlended(TCanvas& canvas, const TComponent& image);

  TSurface pixels_;
  bool decodeFailed_ = false;
};

// An RGB24 image to draw on the window from. Made to suit the window: under X it
// lies in memory shared with the server, so drawing it sends no second copy.
TSurface MakeImage(GdkWindow* window, int width, int height);

// The classic push button's frame (raised, or sunk while pressed) over the
// window's background; returns the face it leaves for the caption.
TRect DrawClassicButton(cairo_t* cr, const TRect& bounds, bool pressed);

}  // namespace zel::gtk
