// The Linux benchmark's baseline: the least a Qt Widgets program does to show a
// window of the launcher's client size, painted in one colour, set up as the
// launcher sets itself up, and closed when asked.
#include <QApplication>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cstdlib>

#include "../MinimalWindow.h"

namespace {

namespace minimal = zelbench::minimal;

class TBareWindow final : public QWidget {
 public:
  TBareWindow() : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint) {
    // Every pixel comes from paintEvent, as the launcher draws its own client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(QStringLiteral("Bare window"));
    setFixedSize(minimal::kClientWidth, minimal::kClientHeight);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(minimal::kRed, minimal::kGreen, minimal::kBlue));
  }
};

}  // namespace

int main(int argc, char** argv) {
  // As the launcher does before its application object: no GL, no Qt scaling.
  ::setenv("QT_XCB_GL_INTEGRATION", "none", 1);
  ::setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
#endif
  QApplication application(argc, argv);
  TBareWindow window;
  // Centred in the primary screen's available area, where the launcher goes.
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  window.move(area.center() - window.rect().center());
  window.show();
  return QApplication::exec();
}
