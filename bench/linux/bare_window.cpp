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

#include "QtWindow.h"
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
  bench::PrepareQt();
  QApplication application(argc, argv);
  TBareWindow window;
  bench::ShowCentred(window);
  return QApplication::exec();
}
