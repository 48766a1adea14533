// The start-up peer of the main window: the smallest Qt Widgets program that opens a window of
// the same size with one line of Chinese text, so that Qt, the platform plugin and the font are
// loaded as for the real window. Runs until the window is closed.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "appshell/main_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle("Minimal");
  window.setFixedSize(qoravel::kWindowWidth, qoravel::kWindowHeight);
  QLabel label(QString::fromUtf8("下载保存目录："), &window);
  label.move(16, 16);
  window.show();
  return application.exec();
}
