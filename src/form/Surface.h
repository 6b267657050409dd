// What a platform draws a form with: the few calls the form's painter makes on
// the window's pixels, each platform implementing them once. Everything the
// painter decides (what is drawn, in which order, where a caption sits, which
// pixels a picture is blended over) stays out of here; a surface only draws.
// Coordinates are the window's client coordinates throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "controls/MouseRouter.h"
#include "core/Geometry.h"
#include "form/FormDefinition.h"
#include "picture/Jpeg.h"

namespace zel {

// A button font in the platform's own form, made once per font height.
class TSurfaceFont {
 public:
  virtual ~TSurfaceFont() = default;
};

// A decoded picture in the platform's own form, kept for the window's life.
class TSurfaceImage {
 public:
  virtual ~TSurfaceImage() = default;
  // Every pixel is in place: a toolkit that caches an image's pixels takes them now.
  virtual void Written() {}
};

// How the rows of a full-colour image lie in memory.
enum class TPixelLayout {
  Bgr,   // three bytes a pixel (a 24-bit bitmap)
  Bgrx,  // four bytes a pixel, X = 255 (a 32-bit image)
};

// A new full-colour image and the rows its pixels are decoded into.
struct TImageRows {
  std::unique_ptr<TSurfaceImage> image;  // none: it could not be made
  picture::TBgrRows rows;
};

// Pixels of a 32-bit surface, B G R X, to be read and written in place.
struct TBgrxBlock {
  std::uint8_t* first = nullptr;  // the block's top-left pixel; none: the pixels cannot be read
  std::size_t stride = 0;         // bytes from one row to the next
};

// The block of a B G R X buffer, stride bytes a row, whose first pixel lies at
// origin in client coordinates.
inline TBgrxBlock BgrxBlockAt(std::uint8_t* first, std::size_t stride, TPoint origin, const TRect& block) noexcept {
  return {first + static_cast<std::size_t>(block.top - origin.y) * stride +
              static_cast<std::size_t>(block.left - origin.x) * 4,
          stride};
}

// How a paint is split into bands of rows composed one after another.
struct TBanding {
  int maxRows = 0;                 // the tallest band; 0: the whole area at once
  bool keepButtonsWhole = false;   // no band edge cuts a button (the style draws a cut one differently)
};

class TSurface {
 public:
  virtual ~TSurface() = default;

  // ---- One paint
  virtual TBanding Banding() const = 0;
  // A paint of area begins; no band of it is taller than bandRows.
  virtual void BeginPaint(const TRect& area, int bandRows) = 0;
  // The surface takes the band's pixels, clipped to it, until EndBand copies them
  // to the window.
  virtual void BeginBand(const TRect& band) = 0;
  virtual void EndBand(const TRect& band) = 0;
  // The part of the client area the surface now holds pixels for (at least the band).
  virtual TRect Area() const = 0;

  // ---- Drawing
  // The platform's visual styles are on: buttons take the hot look, and a pressed
  // caption stays where it is.
  virtual bool Themed() const = 0;
  // The form's background colour over area.
  virtual void FillBackground(const TRect& area) = 0;
  // A push button in a look over what lies beneath; returns its face, the part
  // the caption is placed in.
  virtual TRect DrawPushButton(const TRect& bounds, controls::TButtonLook look) = 0;
  virtual std::unique_ptr<TSurfaceFont> MakeFont(const TFontDecl& font, int height) = 0;
  // A caption's size on one line in font, as it is then drawn.
  virtual TSize MeasureCaption(const TSurfaceFont& font, std::wstring_view caption) = 0;
  // A caption in the rectangle measured for it, in the colour of a button's text in look.
  virtual void DrawCaption(const TSurfaceFont& font, std::wstring_view caption, const TRect& place,
                           controls::TButtonLook look) = 0;

  // ---- Pictures
  // The display's bits per pixel: at 8 or fewer a picture is held with a palette.
  virtual int DisplayBits() const = 0;
  virtual TPixelLayout ImageLayout() const = 0;
  virtual TImageRows MakeImage(TSize size) = 0;
  // An image of the decoder's palette and indices; none: it could not be made.
  virtual std::unique_ptr<TSurfaceImage> MakePalettedImage(const picture::TPalettedImage& image) = 0;
  // The top-left size of an image, opaque, at a point.
  virtual void DrawImage(const TSurfaceImage& image, TPoint at, TSize size) = 0;
  // The pixels of block (within Area) to blend a picture over, in place; valid
  // until the next drawing call. UnlockBlock hands the written pixels back.
  virtual TBgrxBlock LockBlock(const TRect& block) = 0;
  virtual void UnlockBlock(const TRect& /*block*/) {}

  // ---- A surface whose pixels cannot be read (a window's frame)
  // A readable surface of block alone, on which the painter composes what lies
  // beneath a blended picture and the picture over it; none (the default): the
  // surface's own pixels are read.
  virtual std::unique_ptr<TSurface> MakeComposer(const TRect& /*block*/) { return nullptr; }
  // Copies what a composer made by MakeComposer holds to its place here.
  virtual void DrawComposer(TSurface& /*composer*/, const TRect& /*block*/) {}
};

}  // namespace zel
