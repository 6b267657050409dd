// The GTK edition's benchmark baseline: the least a GTK 3 program does to show a
// window of the launcher's client size, painted in one colour, set up as the
// launcher sets itself up (X11 backend, no GDK scaling, fixed size, centred in
// the work area), and closed when asked.
#include <gtk/gtk.h>

#include "GtkWindow.h"
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
  if (!bench::InitGtk(argc, argv)) return 1;
  bench::UnscaledDisplay();
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* area = gtk_drawing_area_new();
  gtk_container_add(GTK_CONTAINER(window), area);
  gtk_window_set_title(GTK_WINDOW(window), "Bare window");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(area, minimal::kClientWidth, minimal::kClientHeight);
  g_signal_connect(area, "draw", G_CALLBACK(Draw), nullptr);
  return bench::RunCentred(window, minimal::kClientWidth, minimal::kClientHeight);
}
