// The GTK edition's window written the usual way: the launcher's banner, buttons
// and purchase picture as GtkImages and GtkButtons on a GtkFixed, the pictures
// loaded by GdkPixbuf from the same files linked into the program, the captions
// in the launcher's button font (a style sheet) and places. What the launcher's
// own painting is measured against.
#include <gtk/gtk.h>

#include <cstdint>

#include "GtkWindow.h"
#include "../LauncherLayout.h"
#include "xdg/ResourceSymbols.h"

namespace {

namespace layout = zelbench::layout;

constexpr char kButtonStyle[] = "button label { font-family: Tahoma; font-weight: bold; font-size: 24px; }";

GtkWidget* Picture(const std::uint8_t* begin, const std::uint8_t* end) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GtkWidget* image = nullptr;
  if (gdk_pixbuf_loader_write(loader, begin, static_cast<gsize>(end - begin), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    image = gtk_image_new_from_pixbuf(gdk_pixbuf_loader_get_pixbuf(loader));
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
    image = gtk_image_new();
  }
  g_object_unref(loader);
  return image;
}

void Put(GtkWidget* fixed, GtkWidget* child, const layout::TBox& box) {
  gtk_widget_set_size_request(child, box.width, box.height);
  gtk_fixed_put(GTK_FIXED(fixed), child, box.left, box.top);
}

}  // namespace

int main(int argc, char** argv) {
  GdkDisplay* display = bench::OpenGtk(argc, argv);
  if (display == nullptr) return 1;

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kButtonStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_display_get_default_screen(display), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  GtkWidget* fixed = gtk_fixed_new();
  GtkWidget* window = bench::FixedSizeWindow(layout::kTitleUtf8, fixed, layout::kClientWidth, layout::kClientHeight);

  GtkWidget* banner = Picture(zel_res_banner_begin, zel_res_banner_end);
  gtk_widget_set_halign(banner, GTK_ALIGN_START);
  gtk_widget_set_valign(banner, GTK_ALIGN_START);
  Put(fixed, banner, layout::kBanner);
  for (const layout::TButton& button : layout::kButtons) {
    Put(fixed, gtk_button_new_with_label(button.captionUtf8), button.box);
  }
  // Last, so it is drawn over the purchase button, which shows through its clear pixels.
  Put(fixed, Picture(zel_res_buy_begin, zel_res_buy_end), layout::kPicture);

  return bench::RunCentred(window);
}
