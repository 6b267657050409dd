// Owners of the handles the GTK edition holds (GObject references, cairo
// surfaces and contexts, Pango's fonts and metrics, the main loop, the top-level
// window): each is released once, on every way out, by the call that frees it.
#pragma once

#include <cairo.h>
#include <glib-object.h>
#include <gtk/gtk.h>
#include <pango/pango.h>

#include <memory>

namespace zel::gtk {

// Calls Release on a handle that is there.
template <auto Release>
struct TRelease {
  template <typename T>
  void operator()(T* handle) const noexcept {
    Release(handle);
  }
};

template <typename T, auto Release>
using THandle = std::unique_ptr<T, TRelease<Release>>;

// One reference to an object GObject counts.
template <typename T>
using TObject = THandle<T, g_object_unref>;

using TCairoSurface = THandle<cairo_surface_t, cairo_surface_destroy>;
using TCairo = THandle<cairo_t, cairo_destroy>;
using TFontDescription = THandle<PangoFontDescription, pango_font_description_free>;
using TFontMetrics = THandle<PangoFontMetrics, pango_font_metrics_unref>;
using TMainLoop = THandle<GMainLoop, g_main_loop_unref>;
using TVariant = THandle<GVariant, g_variant_unref>;
using TWidgetPath = THandle<GtkWidgetPath, gtk_widget_path_unref>;
using TList = THandle<GList, g_list_free>;
using TChars = THandle<gchar, g_free>;
// A top-level window (a dialog too): destroyed, which drops GTK's own reference
// and its children with it.
using TTopLevel = THandle<GtkWidget, gtk_widget_destroy>;

}  // namespace zel::gtk
