// What every GTK window of the benchmark does as the launcher does: GTK's start-up
// settings, its display's scale, and the window closed on request, centred in the
// primary monitor's work area, shown and run.
#pragma once

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>

namespace bench {

// GTK opened as the launcher opens it: on X, with no GL, at a window scale of 1;
// the default display, or none when it cannot be opened.
inline GdkDisplay* OpenGtk(int& argc, char**& argv) {
  gdk_set_allowed_backends("x11");
  ::setenv("GDK_GL", "disable", 1);
  if (!gtk_init_check(&argc, &argv)) return nullptr;
  GdkDisplay* display = gdk_display_get_default();
  if (GDK_IS_X11_DISPLAY(display)) gdk_x11_display_set_window_scale(display, 1);
  return display;
}

// A top-level window of fixed size holding child, its client area width × height.
inline GtkWidget* FixedSizeWindow(const char* title, GtkWidget* child, int width, int height) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_container_add(GTK_CONTAINER(window), child);
  gtk_window_set_title(GTK_WINDOW(window), title);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(child, width, height);
  return window;
}

// Runs a window made by FixedSizeWindow until it is closed.
inline int RunCentred(GtkWidget* window) {
  int width = 0, height = 0;
  gtk_widget_get_size_request(gtk_bin_get_child(GTK_BIN(window)), &width, &height);
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
