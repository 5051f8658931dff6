// RuvFrame: plant supervision and control. The application object takes over
// start-up once it exists; until then this opens the main window.
#include <QApplication>
#include <QMainWindow>
#include <clocale>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");  // every number text is locale-free
  QMainWindow window;
  window.setWindowTitle("RuvFrame");
  window.showMaximized();
  return app.exec();
}
