// The Qt edition's floor: the least a Qt Widgets program does to show the
// launcher's window with its three captions, in the launcher's button font and
// places, set up as the launcher sets itself up. No buttons, no pictures: what
// any program showing this text must spend (the fonts found and loaded, the
// glyphs drawn).
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cstdlib>

#include "QtWindow.h"
#include "../LauncherLayout.h"
#include "controls/Caption.h"

namespace {

namespace layout = zelbench::layout;

class TFloorWindow final : public QWidget {
 public:
  TFloorWindow() : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(QString::fromWCharArray(layout::kTitle));
    setFixedSize(layout::kClientWidth, layout::kClientHeight);
    font_.setFamily(QStringLiteral("Tahoma"));
    font_.setPixelSize(layout::kButtonFontPixels);
    font_.setBold(true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().button());
    painter.setFont(font_);
    painter.setPen(palette().buttonText().color());
    const QFontMetrics metrics(font_);
    for (const layout::TButton& button : layout::kButtons) {
      const QString caption = QString::fromUtf8(button.captionUtf8);
      const zel::TRect face{button.box.left + layout::kFaceInset, button.box.top + layout::kFaceInset,
                            button.box.width - 2 * layout::kFaceInset, button.box.height - 2 * layout::kFaceInset};
      const zel::TRect place =
          zel::controls::CaptionRect(face, {metrics.horizontalAdvance(caption), metrics.height()}, button.imageRight);
      painter.drawText(QRect(place.left, place.top, place.width, place.height), Qt::AlignLeft | Qt::AlignTop,
                       caption);
    }
  }

 private:
  QFont font_;
};

}  // namespace

int main(int argc, char** argv) {
  bench::PrepareQt();
  QApplication application(argc, argv);
  TFloorWindow window;
  bench::ShowCentred(window);
  return QApplication::exec();
}
