#include "appshell/startup.h"

#include <unistd.h>

#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "appshell/main_window.h"
#include "appshell/qt_window_ops.h"
#include "appshell/save_folder.h"
#include "appshell/settings.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr char kUseTheCommandLine[] = "use the command line instead: qoravel search KEYWORD";

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Qt picks its platform from QT_QPA_PLATFORM, else from the display variables.
bool HasDisplay() {
  return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

void MoveToProgramDirectory() {
  const std::string directory = GbkToUtf8(ProgramDirectory());
  if (chdir(directory.empty() ? "/" : directory.c_str()) != 0) {
    // The program still runs; only relative paths would differ, and it uses none.
  }
}

// Qt ends the process inside QApplication's constructor when the display cannot be reached.
// While the application is set up its messages are held back, and a fatal one becomes one line.
std::vector<QString>& HeldMessages() {
  static std::vector<QString> messages;
  return messages;
}

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "qoravel: the window cannot be opened (no connection to display %s); %s\n",
                 display ? display : "", kUseTheCommandLine);
    std::fflush(stderr);
    std::_Exit(255);  // exit code -1
  }
  HeldMessages().push_back(qFormatLogMessage(type, context, text));
}

void ReleaseHeldMessages(QtMessageHandler previous) {
  qInstallMessageHandler(previous);
  for (const QString& message : HeldMessages()) std::fprintf(stderr, "%s\n", qPrintable(message));
  HeldMessages().clear();
}

[[noreturn]] void EndProcess(AppState& state) {
  ReleaseAppState(state);
  std::fflush(nullptr);
  std::quick_exit(0);
}

}  // namespace

int RunMainWindow(int argc, char** argv, AppState& state, const WindowHandlers& handlers) {
  MoveToProgramDirectory();
  if (!HasDisplay()) {
    std::fprintf(stderr, "qoravel: no display to open the window on (DISPLAY is not set); %s\n",
                 kUseTheCommandLine);
    return -1;
  }

  QtMessageHandler previous = qInstallMessageHandler(HoldStartupMessage);
  QApplication application(argc, argv);
  ReleaseHeldMessages(previous);
  application.setQuitOnLastWindowClosed(false);  // workers' message boxes do not keep it open

  MainWindow window;
  QtWindowOps ops(window);
  BindEvents(window, ops, state, handlers);
  QObject::connect(&window, &MainWindow::closed, &application, [&ops] {
    ops.Close();
    QCoreApplication::quit();
  });

  LoadSaveFolder(state, ops);
  window.show();
  QApplication::exec();
  EndProcess(state);
}

}  // namespace qoravel
