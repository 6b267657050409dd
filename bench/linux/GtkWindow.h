// What every GTK window of the benchmark does as the launcher does: GTK's start-up
// settings, its display's scale, and the window closed on request, centred in the
// primary monitor's work area, shown and run.
#pragma once

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>

namespace bench {

// GTK opened as the launcher opens it: on X, with no GL.
inline bool InitGtk(int& argc, char**& argv) {
  gdk_set_allowed_backends("x11");
  ::setenv("GDK_GL", "disable", 1);
  return gtk_init_check(&argc, &argv);
}

// The default display, at a window scale of 1 as the launcher keeps it.
inline GdkDisplay* UnscaledDisplay() {
  GdkDisplay* display = gdk_display_get_default();
  if (GDK_IS_X11_DISPLAY(display)) gdk_x11_display_set_window_scale(display, 1);
  return display;
}

// Runs the window of a client width × height until it is closed.
inline int RunCentred(GtkWidget* window, int width, int height) {
  g_signal_connect(window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) -> gboolean {
                     gtk_main_quit();
                     return TRUE;
                   }), nullptr);
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle work{};
  if (monitor != nullptr) gdk_monitor_get_workarea(monitor, &work);
  gtk_window_move(GTK_WINDOW(window), work.x + (work.width - width) / 2, work.y + (work.height - height) / 2);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}

}  // namespace bench
