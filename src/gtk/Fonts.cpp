#include "gtk/Fonts.h"

#include <hb.h>
#include <pango/pango.h>

#include <cstdint>
#include <span>

namespace zel::gtk {

namespace {

using TBlob = THandle<hb_blob_t, hb_blob_destroy>;

std::span<const std::uint8_t> Bytes(hb_blob_t* blob) {
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  return {reinterpret_cast<const std::uint8_t*>(data), length};
}

}  // namespace

TFonts::TFonts(PangoContext* context, int pixels, bool bold) : face_(xdg::kPreferredFace) {
  // fontconfig answers every family with some font: Tahoma is there only when the
  // font it gives is Tahoma.
  const TFontDescription wanted = At(pixels, bold);
  const TObject<PangoFont> font(pango_context_load_font(context, wanted.get()));
  bool installed = false;
  if (font) {
    const TFontDescription chosen(pango_font_describe(font.get()));
    const char* family = pango_font_description_get_family(chosen.get());
    installed = family != nullptr && g_ascii_strcasecmp(family, face_.family) == 0;
  }
  face_ = xdg::FontFace(installed);
}

TFontDescription TFonts::At(int pixels, bool bold) const {
  TFontDescription font(pango_font_description_new());
  pango_font_description_set_family(font.get(), face_.family);
  pango_font_description_set_absolute_size(font.get(), static_cast<double>(pixels) * PANGO_SCALE);
  pango_font_description_set_weight(font.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_stretch(font.get(), face_.semiCondensed ? PANGO_STRETCH_SEMI_CONDENSED : PANGO_STRETCH_NORMAL);
  return font;
}

TWinTextMetrics WindowsLine(PangoContext* context, const PangoFontDescription& font) {
  const int pixels = pango_font_description_get_size(&font) / PANGO_SCALE;
  const TObject<PangoFont> loaded(pango_context_load_font(context, &font));
  if (loaded) {
    // The font file's own tables, as HarfBuzz reads them for Pango.
    hb_face_t* face = hb_font_get_face(pango_font_get_hb_font(loaded.get()));
    const TBlob os2(hb_face_reference_table(face, HB_TAG('O', 'S', '/', '2')));
    const TBlob head(hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd')));
    if (const auto metrics = WindowsTextMetrics(Bytes(os2.get()), Bytes(head.get()), pixels)) return *metrics;
  }
  const TFontMetrics metrics(pango_context_get_metrics(context, &font, nullptr));
  return {PANGO_PIXELS(pango_font_metrics_get_ascent(metrics.get())),
          PANGO_PIXELS(pango_font_metrics_get_descent(metrics.get()))};
}

}  // namespace zel::gtk
