// The GTK edition's floor: the least a GTK 3 program does to show the launcher's
// window with its three captions, in the launcher's button font and places, set
// up as the launcher sets itself up. No buttons, no pictures: what any program
// showing this text must spend (the fonts found and loaded, the glyphs drawn).
#include <gtk/gtk.h>

#include "GtkWindow.h"
#include "../LauncherLayout.h"
#include "controls/Caption.h"

namespace {

namespace layout = zelbench::layout;

gboolean Draw(GtkWidget* area, cairo_t* cr, gpointer) {
  GtkStyleContext* style = gtk_widget_get_style_context(gtk_widget_get_toplevel(area));
  gtk_render_background(style, cr, 0, 0, layout::kClientWidth, layout::kClientHeight);
  GdkRGBA ink{};
  gtk_style_context_get_color(style, gtk_style_context_get_state(style), &ink);
  gdk_cairo_set_source_rgba(cr, &ink);

  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, "Tahoma");
  pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
  pango_font_description_set_absolute_size(font, layout::kButtonFontPixels * PANGO_SCALE);
  PangoLayout* text = pango_cairo_create_layout(cr);
  pango_layout_set_font_description(text, font);
  for (const layout::TButton& button : layout::kButtons) {
    pango_layout_set_text(text, button.captionUtf8, -1);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(text, &width, &height);
    const zel::TRect face{button.box.left + layout::kFaceInset, button.box.top + layout::kFaceInset,
                          button.box.width - 2 * layout::kFaceInset, button.box.height - 2 * layout::kFaceInset};
    const zel::TRect place = zel::controls::CaptionRect(face, {width, height}, button.imageRight);
    cairo_move_to(cr, place.left, place.top);
    pango_cairo_show_layout(cr, text);
  }
  g_object_unref(text);
  pango_font_description_free(font);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (bench::OpenGtk(argc, argv) == nullptr) return 1;
  GtkWidget* area = gtk_drawing_area_new();
  g_signal_connect(area, "draw", G_CALLBACK(Draw), nullptr);
  return bench::RunCentred(
      bench::FixedSizeWindow(layout::kTitleUtf8, area, layout::kClientWidth, layout::kClientHeight));
}
