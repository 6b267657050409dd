// What the launcher sets in its own environment for Qt, before the application
// object reads it. The programs it starts get the user's environment without
// those settings (xdg/Program): a file manager or browser started from here must
// not run without GL or high-DPI scaling, or on another platform, because of them.
#pragma once

namespace zel::qt {

// Sets, where the user has not, what Qt should know at start.
void PrepareEnvironment();

}  // namespace zel::qt
