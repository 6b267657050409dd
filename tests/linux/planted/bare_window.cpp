// A plain Qt program that takes Qt's defaults for everything, its plugin search
// included: the program a planted plugin is proven live against.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("zel bare window");
  window.resize(320, 200);
  window.show();
  return QApplication::exec();
}
