// The form's drawing surface speaks to screen readers through ATK, which GTK
// bridges to AT-SPI: its accessible object has the form's objects (the buttons
// first) as children, each with its name, role, extents and states, the buttons
// with the action "press", which runs what a click runs.
#pragma once

#include <cstddef>

#include "form/Accessible.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWidgetClass GtkWidgetClass;

namespace zel::gtk {

// The surface's window as its objects follow it: not enabled while a modal box
// holds GTK's grab, not shown while minimized.
TAccessibleWindow AccessibleWindowOf(GtkWidget* surface);

// Called from the surface class's initialisation.
void SetSurfaceAccessible(GtkWidgetClass* surfaceClass);

// How a press reaches the surface's window: it runs the click's command, from the
// main loop, reporting what it raises as a click's error is reported.
using TPressHandler = void (*)(GtkWidget* surface, std::size_t item);
void SetPressHandler(TPressHandler handler);

}  // namespace zel::gtk
