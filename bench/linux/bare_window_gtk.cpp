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
  if (bench::OpenGtk(argc, argv) == nullptr) return 1;
  GtkWidget* area = gtk_drawing_area_new();
  g_signal_connect(area, "draw", G_CALLBACK(Draw), nullptr);
  return bench::RunCentred(
      bench::FixedSizeWindow("Bare window", area, minimal::kClientWidth, minimal::kClientHeight));
}
