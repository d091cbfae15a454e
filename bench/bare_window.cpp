// The yardstick of the start-up benchmark under Wine: an empty Qt window,
// built and packaged like the program, captioned "BareWindow".
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("BareWindow"));
  window.resize(400, 300);
  window.show();
  return app.exec();
}
