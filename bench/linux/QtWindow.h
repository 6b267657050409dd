// What every Qt window of the benchmark does as the launcher does: the start-up
// settings made before the application object, and the first place of the window.
#pragma once

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtGlobal>
#include <cstdlib>

namespace bench {

// Before the application object: no GL, no Qt scaling.
inline void PrepareQt() {
  ::setenv("QT_XCB_GL_INTEGRATION", "none", 1);
  ::setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
#endif
}

// Centred in the primary screen's available area, where the launcher goes, and shown.
inline void ShowCentred(QWidget& window) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  window.move(area.center() - window.rect().center());
  window.show();
}

}  // namespace bench
