// The window's answer to screen readers on Linux: its accessible object lists the
// form's objects (the buttons first) as children, each with its name, role, place
// and states, the buttons with a press action that runs what a click runs.
#pragma once

#include "form/Accessible.h"

class QWidget;

namespace zel::qt {

// The form widget's window as its objects follow it: not enabled while a modal
// box blocks it, not shown while minimized.
TAccessibleWindow AccessibleWindowOf(const QWidget* widget);

// Puts the form widgets' accessible objects in place; the application object
// must exist. Once is enough; later calls do nothing.
void InstallAccessibility();

}  // namespace zel::qt
