// The GTK edition's benchmark baseline: the least a GTK 3 program does to show a
// window of the launcher's client size, painted in one colour, set up as the
// launcher sets itself up (X11 backend, no GDK scaling, fixed size, centred in
// the work area), and closed when asked.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include "../MinimalWindow.h"

namespace {

namespace minimal = zelbench::minimal;

gboolean Draw(GtkWidget*, cairo_t* cr, gpointer) {
  cairo_set_source_rgb(cr, minimal::kRed / 255.0, minimal::kGreen / 255.0, minimal::kBlue / 255.0);
  cairo_paint(cr);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) return 1;
  GdkDisplay* display = gdk_display_get_default();
  if (GDK_IS_X11_DISPLAY(display)) gdk_x11_display_set_window_scale(display, 1);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* area = gtk_drawing_area_new();
  gtk_container_add(GTK_CONTAINER(window), area);
  gtk_window_set_title(GTK_WINDOW(window), "Bare window");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(area, minimal::kClientWidth, minimal::kClientHeight);
  g_signal_connect(area, "draw", G_CALLBACK(Draw), nullptr);
  g_signal_connect(window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) -> gboolean {
                     gtk_main_quit();
                     return TRUE;
                   }), nullptr);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle work{};
  if (monitor != nullptr) gdk_monitor_get_workarea(monitor, &work);
  gtk_window_move(GTK_WINDOW(window), work.x + (work.width - minimal::kClientWidth) / 2,
                  work.y + (work.height - minimal::kClientHeight) / 2);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
