// What the launcher sets in its own environment for Qt, before the application
// object reads it, and the environment its children get: the user's, without
// those settings (a file manager or browser started from here must not run
// without GL or high-DPI scaling, or on another platform, because of them).
#pragma once

#include <QProcessEnvironment>

namespace zel::qt {

// Sets, where the user has not, what Qt should know at start.
void PrepareEnvironment();

// The environment as it was before PrepareEnvironment.
QProcessEnvironment ChildEnvironment();

}  // namespace zel::qt
