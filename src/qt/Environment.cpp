#include "qt/Environment.h"

#include <QCoreApplication>

#include "xdg/Program.h"

namespace zel::qt {

using xdg::SetDefault;

void PrepareEnvironment() {
  // Without this Qt loads Mesa at start: time and memory a launcher never uses.
  SetDefault("QT_XCB_GL_INTEGRATION", "none");
  // The launcher scales itself, in device pixels; Qt must not scale it again.
  SetDefault("QT_ENABLE_HIGHDPI_SCALING", "0");
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
#endif
  // On Wayland a program cannot place its own window; under XWayland it is centred.
  if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland") {
    SetDefault("QT_QPA_PLATFORM", "xcb");
  }
}

}  // namespace zel::qt
