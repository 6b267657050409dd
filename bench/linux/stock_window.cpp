// The Qt edition's window written the usual way: the launcher's banner, buttons
// and purchase picture as a QLabel, QPushButtons and a QLabel with QPixmaps
// loaded from the same pictures linked into the program, with the launcher's
// captions, button font and places. What the launcher's own painting is
// measured against.
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

#include "QtWindow.h"
#include "../LauncherLayout.h"
#include "xdg/ResourceSymbols.h"

namespace {

namespace layout = zelbench::layout;

QRect Place(const layout::TBox& box) { return {box.left, box.top, box.width, box.height}; }

QPixmap Loaded(const std::uint8_t* begin, const std::uint8_t* end, const char* format) {
  QPixmap pixmap;
  pixmap.loadFromData(begin, static_cast<unsigned>(end - begin), format);
  return pixmap;
}

}  // namespace

int main(int argc, char** argv) {
  bench::PrepareQt();
  QApplication application(argc, argv);
  QWidget window(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint);
  window.setWindowTitle(QString::fromWCharArray(layout::kTitle));
  window.setFixedSize(layout::kClientWidth, layout::kClientHeight);

  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(layout::kButtonFontPixels);
  font.setBold(true);

  auto* banner = new QLabel(&window);
  banner->setGeometry(Place(layout::kBanner));
  banner->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  banner->setPixmap(Loaded(zel_res_banner_begin, zel_res_banner_end, "JPG"));
  for (const layout::TButton& button : layout::kButtons) {
    auto* push = new QPushButton(QString::fromUtf8(button.captionUtf8), &window);
    push->setFont(font);
    push->setGeometry(Place(button.box));
  }
  // Over the purchase button, with the button showing through its clear pixels.
  auto* picture = new QLabel(&window);
  picture->setGeometry(Place(layout::kPicture));
  picture->setAlignment(Qt::AlignCenter);
  picture->setPixmap(Loaded(zel_res_buy_begin, zel_res_buy_end, "PNG"));

  bench::ShowCentred(window);
  return QApplication::exec();
}
