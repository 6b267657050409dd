#include "qt/Environment.h"

#include <QCoreApplication>
#include <QStringList>

namespace zel::qt {

namespace {

// The names set here, for the children's environment.
QStringList& SetHere() {
  static QStringList names;
  return names;
}

// Only where the user has set nothing.
void SetDefault(const char* name, const char* value) {
  if (qEnvironmentVariableIsSet(name)) return;
  qputenv(name, value);
  SetHere() << QString::fromLatin1(name);
}

}  // namespace

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

QProcessEnvironment ChildEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const QString& name : SetHere()) environment.remove(name);
  return environment;
}

}  // namespace zel::qt
