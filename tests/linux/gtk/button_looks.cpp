// What GTK draws for a push button in one state, for the end-to-end driver to
// compare the GTK edition's window with: the button on the window's background
// in the theme GTK gives this process (normal, prelight for hot, active for
// pressed; backdrop when the window is inactive), the face its border and
// padding leave, and the caption in Tahoma Bold placed by the offset rule with
// its baseline the Windows ascent below the caption's top. With classic, the
// launcher's classic frame instead. Drawn on the X server, as the launcher's
// window is. Writes <out>-face.png and
// <out>-captioned.png and prints the face and the caption's rectangle.
//
//   zel-gtk-button-looks <out> <width> <height> normal|hot|pressed <active 0|1>
//                        <classic 0|1> <image-right 0|1> <font pixels> <caption>
#include <cairo.h>
#include <gtk/gtk.h>
#include <hb.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "core/FontMetrics.h"
#include "gtk/Components.h"

namespace {

std::span<const std::uint8_t> Table(hb_face_t* face, hb_tag_t tag, hb_blob_t*& blob) {
  blob = hb_face_reference_table(face, tag);
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  return {reinterpret_cast<const std::uint8_t*>(data), length};
}

GtkStyleContext* Style(GtkStyleContext* parent, bool button, GtkStateFlags state) {
  GtkWidgetPath* path = gtk_widget_path_new();
  gtk_widget_path_append_type(path, GTK_TYPE_WINDOW);
  gtk_widget_path_iter_set_object_name(path, -1, "window");
  if (button) {
    gtk_widget_path_append_type(path, GTK_TYPE_BUTTON);
    gtk_widget_path_iter_set_object_name(path, -1, "button");
  } else {
    gtk_widget_path_iter_add_class(path, -1, GTK_STYLE_CLASS_BACKGROUND);
  }
  GtkStyleContext* style = gtk_style_context_new();
  gtk_style_context_set_path(style, path);
  if (parent != nullptr) gtk_style_context_set_parent(style, parent);
  gtk_style_context_set_state(style, state);
  gtk_widget_path_unref(path);
  return style;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 10) {
    std::fprintf(stderr, "usage: zel-gtk-button-looks <out> <width> <height> <look> <active> <classic> <image-right> <font pixels> <caption>\n");
    return 2;
  }
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) return 3;
  const std::string out = argv[1], look = argv[4], caption = argv[9];
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]), pixels = std::atoi(argv[8]);
  const bool active = argv[5][0] == '1', classic = argv[6][0] == '1', imageRight = argv[7][0] == '1';
  const bool pressed = look == "pressed";

  // Drawn on the X server, as the launcher draws into its window's frame.
  cairo_surface_t* image =
      gdk_window_create_similar_surface(gdk_get_default_root_window(), CAIRO_CONTENT_COLOR, width, height);
  cairo_t* cr = cairo_create(image);
  const auto backdrop = active ? GTK_STATE_FLAG_NORMAL : GTK_STATE_FLAG_BACKDROP;
  GtkStyleContext* window = Style(nullptr, false, backdrop);
  gtk_render_background(window, cr, 0, 0, width, height);
  zel::TRect face{0, 0, width, height};
  GdkRGBA ink{0, 0, 0, 1};
  if (classic) {
    face = zel::gtk::DrawClassicButton(cr, face, pressed);
  } else {
    const auto state = static_cast<GtkStateFlags>(backdrop | (pressed ? GTK_STATE_FLAG_ACTIVE
                                                              : look == "hot" ? GTK_STATE_FLAG_PRELIGHT
                                                                              : GTK_STATE_FLAG_NORMAL));
    GtkStyleContext* button = Style(window, true, state);
    gtk_render_background(button, cr, 0, 0, width, height);
    gtk_render_frame(button, cr, 0, 0, width, height);
    GtkBorder border{}, padding{};
    gtk_style_context_get_border(button, state, &border);
    gtk_style_context_get_padding(button, state, &padding);
    gtk_style_context_get_color(button, state, &ink);
    face = {border.left + padding.left, border.top + padding.top,
            width - border.left - padding.left - border.right - padding.right,
            height - border.top - padding.top - border.bottom - padding.bottom};
    g_object_unref(button);
  }
  cairo_surface_flush(image);
  cairo_surface_write_to_png(image, (out + "-face.png").c_str());

  PangoContext* context = gdk_pango_context_get_for_screen(gdk_screen_get_default());
  PangoFontDescription* font = pango_font_description_from_string("Tahoma Bold");
  pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
  PangoFont* loaded = pango_context_load_font(context, font);
  hb_face_t* faceTables = hb_font_get_face(pango_font_get_hb_font(loaded));
  hb_blob_t* os2 = nullptr;
  hb_blob_t* head = nullptr;
  const auto line = zel::WindowsTextMetrics(Table(faceTables, HB_TAG('O', 'S', '/', '2'), os2),
                                            Table(faceTables, HB_TAG('h', 'e', 'a', 'd'), head), pixels);
  if (!line) return 4;
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, caption.c_str(), -1);
  int textWidth = 0;
  pango_layout_get_pixel_size(layout, &textWidth, nullptr);
  const int d = face.width - textWidth, e = face.height - line->Height();
  int left = face.left + (imageRight ? d - (d + 1) / 2 : (d + 1) / 2), top = face.top + (e + 1) / 2;
  if (classic && pressed) ++left, ++top;
  gdk_cairo_set_source_rgba(cr, &ink);
  cairo_move_to(cr, left, top + line->ascent - PANGO_PIXELS(pango_layout_get_baseline(layout)));
  pango_cairo_show_layout(cr, layout);
  cairo_surface_flush(image);
  cairo_surface_write_to_png(image, (out + "-captioned.png").c_str());
  std::printf("face %d %d %d %d\ntext %d %d %d %d\n", face.left, face.top, face.width, face.height, left, top, textWidth,
              line->Height());

  hb_blob_destroy(os2);
  hb_blob_destroy(head);
  g_object_unref(layout);
  g_object_unref(loaded);
  pango_font_description_free(font);
  g_object_unref(context);
  g_object_unref(window);
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  return 0;
}
