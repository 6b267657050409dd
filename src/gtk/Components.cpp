#include "gtk/Components.h"

#include <cairo.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>

#include "controls/Caption.h"
#include "core/Error.h"
#include "core/Utf8.h"
#include "picture/Blend.h"
#include "picture/Jpeg.h"

// The blend works on B G R X bytes, which is how CAIRO_FORMAT_RGB24 lies in memory here.
static_assert(G_BYTE_ORDER == G_LITTLE_ENDIAN, "the composed image is read as B G R X bytes");

namespace zel::gtk {

using controls::TButtonLook;

namespace {

// The classic three-dimensional frame's colours: light and dark edges around the
// window's own background, as the classic push button has them.
struct TEdge {
  double r, g, b;
};
constexpr TEdge kHighlight{1.0, 1.0, 1.0};
constexpr TEdge kLight{0xe3 / 255.0, 0xe3 / 255.0, 0xe3 / 255.0};
constexpr TEdge kShadow{0xa0 / 255.0, 0xa0 / 255.0, 0xa0 / 255.0};
constexpr TEdge kDarkShadow{0x40 / 255.0, 0x40 / 255.0, 0x40 / 255.0};
constexpr TEdge kClassicText{0.0, 0.0, 0.0};

void Fill(cairo_t* cr, const TEdge& colour, int x, int y, int width, int height) {
  cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
  cairo_rectangle(cr, x, y, width, height);
  cairo_fill(cr);
}

// One ring of a frame: top and left edges in one colour, bottom and right in another.
void Ring(cairo_t* cr, const TRect& r, const TEdge& topLeft, const TEdge& bottomRight) {
  Fill(cr, bottomRight, r.left, r.top + r.height - 1, r.width, 1);
  Fill(cr, bottomRight, r.left + r.width - 1, r.top, 1, r.height);
  Fill(cr, topLeft, r.left, r.top, r.width - 1, 1);
  Fill(cr, topLeft, r.left, r.top, 1, r.height - 1);
}

TRect Deflate(const TRect& r, int by) noexcept { return {r.left + by, r.top + by, r.width - 2 * by, r.height - 2 * by}; }

}  // namespace

TSurface MakeImage(GdkWindow* window, int width, int height) {
  TSurface image(window != nullptr
                     ? gdk_window_create_similar_image_surface(window, CAIRO_FORMAT_RGB24, width, height, 1)
                     : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (image && cairo_surface_get_type(image.get()) == CAIRO_SURFACE_TYPE_IMAGE &&
      cairo_image_surface_get_format(image.get()) == CAIRO_FORMAT_RGB24) {
    return image;
  }
  // Not the image the pixels are written into: a plain one will do.
  return TSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
}

TRect DrawClassicButton(cairo_t* cr, const TRect& bounds, bool pressed) {
  if (bounds.width < 4 || bounds.height < 4) return bounds;
  if (pressed) {
    Ring(cr, bounds, kDarkShadow, kDarkShadow);
    Ring(cr, Deflate(bounds, 1), kShadow, kShadow);
  } else {
    Ring(cr, bounds, kHighlight, kDarkShadow);
    Ring(cr, Deflate(bounds, 1), kLight, kShadow);
  }
  return Deflate(bounds, 2);
}

std::unique_ptr<TComponentPainter> MakePainter(const TComponent& component, const TFonts& fonts) {
  if (component.IsButton()) return std::make_unique<TButtonPainter>(fonts);
  return std::make_unique<TPicturePainter>();
}

void TButtonPainter::Paint(TCanvas& canvas, const TComponent& button, TButtonLook look) {
  if (!font_ || fontHeight_ != button.FontHeight()) {
    font_ = fonts_.At(button.FontHeight(), button.Decl().font.bold);
    fontHeight_ = button.FontHeight();
    line_ = WindowsLine(canvas.pango, *font_);
    captionSize_.reset();
  }
  const TRect& box = button.Bounds();
  TRect face;
  GdkRGBA ink{kClassicText.r, kClassicText.g, kClassicText.b, 1.0};
  if (canvas.classic) {
    face = DrawClassicButton(canvas.cr, box, look == TButtonLook::Pressed);
  } else {
    GtkStyleContext* style = canvas.button;
    int state = look == TButtonLook::Pressed ? GTK_STATE_FLAG_ACTIVE
                : look == TButtonLook::Hot   ? GTK_STATE_FLAG_PRELIGHT
                                             : GTK_STATE_FLAG_NORMAL;
    if (!canvas.active) state |= GTK_STATE_FLAG_BACKDROP;
    const auto flags = static_cast<GtkStateFlags>(state);
    gtk_style_context_save(style);
    gtk_style_context_set_state(style, flags);
    gtk_render_background(style, canvas.cr, box.left, box.top, box.width, box.height);
    gtk_render_frame(style, canvas.cr, box.left, box.top, box.width, box.height);
    GtkBorder border{}, padding{};
    gtk_style_context_get_border(style, flags, &border);
    gtk_style_context_get_padding(style, flags, &padding);
    gtk_style_context_get_color(style, flags, &ink);
    gtk_style_context_restore(style);
    const int left = border.left + padding.left, top = border.top + padding.top;
    face = {box.left + left, box.top + top, box.width - left - border.right - padding.right,
            box.height - top - border.bottom - padding.bottom};
  }

  const std::wstring& caption = button.Caption();
  const TObject<PangoLayout> layout(pango_layout_new(canvas.pango));
  pango_layout_set_font_description(layout.get(), font_.get());
  const std::string text = ToUtf8(caption);
  pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
  if (!captionSize_ || measured_ != caption) {
    int width = 0;
    pango_layout_get_pixel_size(layout.get(), &width, nullptr);
    captionSize_ = TSize{width, line_.Height()};
    measured_ = caption;
  }
  TRect place = controls::CaptionRect(face, *captionSize_, button.ImageRight());
  if (canvas.classic && look == TButtonLook::Pressed) {
    ++place.left;
    ++place.top;
  }
  // As Windows sets one line in a rectangle of its own size: the baseline lies
  // the line's ascent below the top.
  const int baseline = PANGO_PIXELS(pango_layout_get_baseline(layout.get()));
  gdk_cairo_set_source_rgba(canvas.cr, &ink);
  cairo_move_to(canvas.cr, place.left, place.top + line_.ascent - baseline);
  pango_cairo_show_layout(canvas.cr, layout.get());
}

void TPicturePainter::Paint(TCanvas& canvas, const TComponent& image, TButtonLook) {
  if (!image.Picture()) return;
  if (image.Picture()->isJpeg) {
    PaintOpaque(canvas, image);
  } else {
    PaintBlended(canvas, image);
  }
}

void TPicturePainter::DecodeJpegPixels(const TPicture& picture, GdkWindow* window) {
  // The image's own rows, four bytes a pixel.
  auto rowsFor = [&](TSize size) {
    pixels_ = MakeImage(window, size.width, size.height);
    if (cairo_surface_status(pixels_.get()) != CAIRO_STATUS_SUCCESS) throw Error("EOutOfMemory", L"Out of memory");
    cairo_surface_flush(pixels_.get());
    return picture::TBgrRows{cairo_image_surface_get_data(pixels_.get()), cairo_image_surface_get_stride(pixels_.get())};
  };
  GdkScreen* screen = gdk_screen_get_default();
  if (screen != nullptr && gdk_visual_get_depth(gdk_screen_get_system_visual(screen)) <= 8) {
    // Few colours on screen: let the library choose at most 236 of them.
    const picture::TPalettedImage paletted = picture::DecodeJpegPaletted(picture.bytes, 236);
    picture::PalettedToBgrx(paletted, rowsFor({paletted.width, paletted.height}));
  } else {
    picture::DecodeJpegBgrx(picture.bytes, rowsFor);
  }
  cairo_surface_mark_dirty(pixels_.get());
}

void TPicturePainter::PaintOpaque(TCanvas& canvas, const TComponent& image) {
  const TPicture& picture = *image.Picture();
  if (!pixels_ && !decodeFailed_) {
    try {
      DecodeJpegPixels(picture, canvas.window);
    } catch (...) {
      // Whatever went wrong, the box keeps the window's colour: reporting it on
      // every repaint would never let the user close the window.
      pixels_.reset();
    }
    decodeFailed_ = !pixels_;
  }
  if (!pixels_) return;
  const TRect& box = image.Bounds();
  const TPoint at = image.PictureOrigin();
  cairo_save(canvas.cr);
  cairo_set_operator(canvas.cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(canvas.cr, pixels_.get(), at.x, at.y);
  cairo_rectangle(canvas.cr, at.x, at.y, std::min(box.width, picture.size.width), std::min(box.height, picture.size.height));
  cairo_fill(canvas.cr);
  cairo_restore(canvas.cr);
}

void TPicturePainter::PaintBlended(TCanvas& canvas, const TComponent& image) {
  const TPicture& picture = *image.Picture();
  const TPoint at = image.PictureOrigin();
  // Only what lies in the box and on the image: the rest was blended already.
  const TRect area =
      TRect{at.x, at.y, picture.size.width, picture.size.height}.Intersect(image.Bounds()).Intersect(canvas.area);
  if (area.Empty() || canvas.image == nullptr) return;
  cairo_surface_flush(canvas.image);
  const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(canvas.image));
  std::uint8_t* block = cairo_image_surface_get_data(canvas.image) +
                        static_cast<std::size_t>(area.top - canvas.area.top) * stride +
                        static_cast<std::size_t>(area.left - canvas.area.left) * 4;
  picture::BlendOverBgrx(picture.rgba, {area.left - at.x, area.top - at.y, area.width, area.height}, block, stride);
  cairo_surface_mark_dirty(canvas.image);
}

}  // namespace zel::gtk
