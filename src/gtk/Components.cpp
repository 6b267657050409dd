#include "gtk/Components.h"

#include <cairo.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <string>

#include "core/FontMetrics.h"
#include "core/Utf8.h"

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

// Without a screen to ask, the pictures are held in full colour.
constexpr int kFullColourBits = 24;

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

// A button font and the line Windows measures for it.
struct TCaptionFont final : TSurfaceFont {
  TFontDescription description;
  TWinTextMetrics line;
};

// A picture's pixels, kept for the window's life.
struct TImage final : TSurfaceImage {
  explicit TImage(TCairoSurface made) noexcept : pixels(std::move(made)) {}
  void Written() override { cairo_surface_mark_dirty(pixels.get()); }
  TCairoSurface pixels;
};

// An RGB24 image to draw on the window from. Made to suit the window: under X it
// lies in memory shared with the server, so drawing it sends no second copy.
TCairoSurface ImageFor(GdkWindow* window, int width, int height) {
  TCairoSurface image(window != nullptr
                          ? gdk_window_create_similar_image_surface(window, CAIRO_FORMAT_RGB24, width, height, 1)
                          : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  if (image && cairo_surface_get_type(image.get()) == CAIRO_SURFACE_TYPE_IMAGE &&
      cairo_image_surface_get_format(image.get()) == CAIRO_FORMAT_RGB24) {
    return image;
  }
  // Not the image the pixels are written into: a plain one will do.
  return TCairoSurface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
}

// A new image's rows, or none when it could not be made.
TImageRows RowsOf(TCairoSurface image) {
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return {};
  cairo_surface_flush(image.get());
  const picture::TBgrRows rows{cairo_image_surface_get_data(image.get()), cairo_image_surface_get_stride(image.get())};
  return {std::make_unique<TImage>(std::move(image)), rows};
}

// A caption on one line in font, as Pango sets it.
TObject<PangoLayout> LayoutOf(PangoContext* pango, const TCaptionFont& font, std::wstring_view caption) {
  TObject<PangoLayout> layout(pango_layout_new(pango));
  pango_layout_set_font_description(layout.get(), font.description.get());
  const std::string text = ToUtf8(std::wstring(caption));
  pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
  return layout;
}

}  // namespace

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

TWindowSurface::TWindowSurface(const TPaintStyle& style, TCairoSurface image, TCairo cr, const TRect& block) noexcept
    : style_(style), image_(std::move(image)), ownCr_(std::move(cr)), cr_(ownCr_.get()), area_(block) {}

void TWindowSurface::BeginPaint(const TRect& area, int) { area_ = area; }

void TWindowSurface::FillBackground(const TRect& area) {
  gtk_render_background(style_.background, cr_, area.left, area.top, area.width, area.height);
}

GtkStateFlags TWindowSurface::ButtonState(TButtonLook look) const noexcept {
  int state = look == TButtonLook::Pressed ? GTK_STATE_FLAG_ACTIVE
              : look == TButtonLook::Hot   ? GTK_STATE_FLAG_PRELIGHT
                                           : GTK_STATE_FLAG_NORMAL;
  if (!style_.active) state |= GTK_STATE_FLAG_BACKDROP;
  return static_cast<GtkStateFlags>(state);
}

TRect TWindowSurface::DrawPushButton(const TRect& box, TButtonLook look) {
  if (style_.classic) return DrawClassicButton(cr_, box, look == TButtonLook::Pressed);
  GtkStyleContext* style = style_.button;
  const GtkStateFlags flags = ButtonState(look);
  gtk_style_context_save(style);
  gtk_style_context_set_state(style, flags);
  gtk_render_background(style, cr_, box.left, box.top, box.width, box.height);
  gtk_render_frame(style, cr_, box.left, box.top, box.width, box.height);
  GtkBorder border{}, padding{};
  gtk_style_context_get_border(style, flags, &border);
  gtk_style_context_get_padding(style, flags, &padding);
  gtk_style_context_restore(style);
  const int left = border.left + padding.left, top = border.top + padding.top;
  return {box.left + left, box.top + top, box.width - left - border.right - padding.right,
          box.height - top - border.bottom - padding.bottom};
}

std::unique_ptr<TSurfaceFont> TWindowSurface::MakeFont(const TFontDecl& font, int height) {
  auto made = std::make_unique<TCaptionFont>();
  made->description = style_.fonts->At(height, font.bold);
  made->line = WindowsLine(style_.pango, *made->description);
  return made;
}

TSize TWindowSurface::MeasureCaption(const TSurfaceFont& font, std::wstring_view caption) {
  const auto& captionFont = static_cast<const TCaptionFont&>(font);
  const TObject<PangoLayout> layout = LayoutOf(style_.pango, captionFont, caption);
  int width = 0;
  pango_layout_get_pixel_size(layout.get(), &width, nullptr);
  return {width, captionFont.line.Height()};
}

void TWindowSurface::DrawCaption(const TSurfaceFont& font, std::wstring_view caption, const TRect& place,
                                 TButtonLook look) {
  const auto& captionFont = static_cast<const TCaptionFont&>(font);
  GdkRGBA ink{kClassicText.r, kClassicText.g, kClassicText.b, 1.0};
  if (!style_.classic) {
    GtkStyleContext* style = style_.button;
    const GtkStateFlags flags = ButtonState(look);
    gtk_style_context_save(style);
    gtk_style_context_set_state(style, flags);
    gtk_style_context_get_color(style, flags, &ink);
    gtk_style_context_restore(style);
  }
  const TObject<PangoLayout> layout = LayoutOf(style_.pango, captionFont, caption);
  // As Windows sets one line in a rectangle of its own size: the baseline lies
  // the line's ascent below the top.
  const int baseline = PANGO_PIXELS(pango_layout_get_baseline(layout.get()));
  gdk_cairo_set_source_rgba(cr_, &ink);
  cairo_move_to(cr_, place.left, place.top + captionFont.line.ascent - baseline);
  pango_cairo_show_layout(cr_, layout.get());
}

int TWindowSurface::DisplayBits() const {
  GdkScreen* screen = gdk_screen_get_default();
  return screen != nullptr ? gdk_visual_get_depth(gdk_screen_get_system_visual(screen)) : kFullColourBits;
}

TImageRows TWindowSurface::MakeImage(TSize size) { return RowsOf(ImageFor(style_.window, size.width, size.height)); }

std::unique_ptr<TSurfaceImage> TWindowSurface::MakePalettedImage(const picture::TPalettedImage& image) {
  // Held in full colour all the same: the palette only chose the colours.
  TImageRows made = RowsOf(ImageFor(style_.window, image.width, image.height));
  if (made.image) picture::PalettedToBgrx(image, made.rows);
  return std::move(made.image);
}

void TWindowSurface::DrawImage(const TSurfaceImage& image, TPoint at, TSize size) {
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr_, static_cast<const TImage&>(image).pixels.get(), at.x, at.y);
  cairo_rectangle(cr_, at.x, at.y, size.width, size.height);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

TBgrxBlock TWindowSurface::LockBlock(const TRect& block) {
  if (!image_) return {};
  cairo_surface_flush(image_.get());
  const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(image_.get()));
  return BgrxBlockAt(cairo_image_surface_get_data(image_.get()), stride, area_.TopLeft(), block);
}

void TWindowSurface::UnlockBlock(const TRect&) {
  if (image_) cairo_surface_mark_dirty(image_.get());
}

std::unique_ptr<TSurface> TWindowSurface::MakeComposer(const TRect& block) {
  TCairoSurface image = ImageFor(style_.window, block.width, block.height);
  TCairo cr(cairo_create(image.get()));
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_translate(cr.get(), -block.left, -block.top);
  return std::unique_ptr<TSurface>(new TWindowSurface(style_, std::move(image), std::move(cr), block));
}

void TWindowSurface::DrawComposer(TSurface& composer, const TRect& block) {
  cairo_surface_t* image = static_cast<TWindowSurface&>(composer).image_.get();
  cairo_surface_flush(image);
  cairo_set_source_surface(cr_, image, block.left, block.top);
  cairo_rectangle(cr_, block.left, block.top, block.width, block.height);
  cairo_fill(cr_);
}

}  // namespace zel::gtk
