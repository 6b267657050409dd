// The window's answer to screen readers on Linux: its accessible object lists the
// form's objects (the buttons first) as children, each with its name, role, place
// and states, the buttons with a press action that runs what a click runs.
#pragma once

namespace zel::qt {

// Puts the form widgets' accessible objects in place; the application object
// must exist. Once is enough; later calls do nothing.
void InstallAccessibility();

}  // namespace zel::qt
