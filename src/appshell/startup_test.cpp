#include "appshell/startup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "appshell/main_window.h"
#include "appshell/settings.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::TempDir;

// Sets or removes environment variables for one test and puts them back afterwards.
class ScopedEnvironment {
 public:
  void Set(const char* name, const char* value) {
    Remember(name);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    for (auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void Remember(const char* name) {
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct ChildResult {
  bool exited = false;
  int status = -1;
  std::string errorOutput;
};

// Runs `body` in a child process (this test process has no threads and no QApplication) and
// collects its exit status and standard error. A child still running after a minute is killed:
// a guard against a hang, not a speed limit.
ChildResult RunInChild(const std::function<void()>& body) {
  int errorPipe[2];
  if (pipe(errorPipe) != 0) return {};
  pid_t child = fork();
  if (child == 0) {
    close(errorPipe[0]);
    dup2(errorPipe[1], STDERR_FILENO);
    body();
    std::_Exit(99);
  }
  close(errorPipe[1]);
  ChildResult result;
  char buffer[4096];
  ssize_t got;
  while ((got = read(errorPipe[0], buffer, sizeof buffer)) > 0)
    result.errorOutput.append(buffer, got);
  close(errorPipe[0]);
  int status = 0;
  for (int round = 0; round < 6000; ++round) {
    if (waitpid(child, &status, WNOHANG) == child) {
      result.exited = WIFEXITED(status);
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return result;
    }
    usleep(10000);
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return result;
}

TEST(StartupTest, WithoutADisplayOneLinePointsToTheCommandLine) {
  TempDir programDir;
  ScopedEnvironment environment;
  environment.Set("DISPLAY", nullptr);
  environment.Set("WAYLAND_DISPLAY", nullptr);
  environment.Set("QT_QPA_PLATFORM", nullptr);
  ChildResult result = RunInChild([&] {
    OverrideProgramDirectory(programDir.path().string());
    AppState state;
    state.saveFolder = "untouched";
    char name[] = "qoravel";
    char* argv[] = {name, nullptr};
    int code = RunMainWindow(1, argv, state, {});
    std::_Exit(code == -1 && state.saveFolder == "untouched" ? 255 : 1);
  });
  ASSERT_TRUE(result.exited);
  EXPECT_EQ(result.status, 255);
  EXPECT_EQ(result.errorOutput,
            "qoravel: no display to open the window on (DISPLAY is not set); use the command "
            "line instead: qoravel search KEYWORD\n");
}

TEST(StartupTest, UnreachableDisplayEndsWithOneLineAndMinusOne) {
  ScopedEnvironment environment;
  environment.Set("DISPLAY", ":87");  // no X server listens there
  environment.Set("WAYLAND_DISPLAY", nullptr);
  environment.Set("QT_QPA_PLATFORM", nullptr);
  ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X87"));
  ChildResult result = RunInChild([] {
    AppState state;
    char name[] = "qoravel";
    char* argv[] = {name, nullptr};
    RunMainWindow(1, argv, state, {});
  });
  ASSERT_TRUE(result.exited);
  EXPECT_EQ(result.status, 255);
  EXPECT_EQ(result.errorOutput,
            "qoravel: the window cannot be opened (no connection to display :87); use the "
            "command line instead: qoravel search KEYWORD\n");
}

// What the child of the next test saw, written to a file the parent reads.
std::string gReportPath;
AppState* gState = nullptr;

void Report(const std::string& line) { std::ofstream(gReportPath, std::ios::app) << line << "\n"; }

// Runs inside QApplication's constructor: watches the window's first show, then drives it.
void DriveTheWindow() {
  struct ShowWatcher : QObject {
    bool eventFilter(QObject* object, QEvent* event) override {
      auto* window = qobject_cast<MainWindow*>(object);
      if (window && event->type() == QEvent::Show && !seen) {
        seen = true;
        Report("shown with folder " + window->ControlText(Control::编辑框_保存).toStdString());
      }
      return false;
    }
    bool seen = false;
  };
  qApp->installEventFilter(new ShowWatcher);

  // Once the loop runs: start the workers through the search button, wait until one of them is
  // blocked in its message box, then close the window.
  auto* step = new QTimer;
  QObject::connect(step, &QTimer::timeout, [step] {
    MainWindow* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* found = qobject_cast<MainWindow*>(widget)) window = found;
    if (window == nullptr || !window->isVisible()) return;
    static bool clicked = false;
    if (!clicked) {
      clicked = true;
      char directory[4096] = {};
      Report(std::string("cwd ") + (getcwd(directory, sizeof directory) ? directory : "?"));
      window->findChild<QPushButton*>("按钮_搜索")->click();
      return;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<QMessageBox*>(widget) && widget->isVisible()) {
        step->stop();
        Report("closing");
        window->close();
        return;
      }
    }
  });
  step->start(10);
}

TEST(StartupTest, ClosingTheWindowWithBlockedWorkersEndsTheProcessCleanly) {
  TempDir programDir;
  gReportPath = (programDir.path() / "report.txt").string();
  ScopedEnvironment environment;
  environment.Set("QT_QPA_PLATFORM", "offscreen");

  ChildResult result = RunInChild([&] {
    OverrideProgramDirectory(programDir.path().string());
    static AppState state;
    gState = &state;
    std::at_quick_exit([] { Report(gState->saveFolder.empty() ? "released" : "not released"); });
    qAddPreRoutine(DriveTheWindow);
    WindowHandlers handlers;
    handlers.searchClicked = [](WindowOps& ops) {
      std::thread([&ops] { ops.ShowMessage("下载成功"_gbk, kIconInformation); }).detach();
      std::thread([&ops] {
        for (;;) {
          ops.SetControlVisible(Control::透明标签3, true);
          (void)ops.GetCellText(ops.SelectedRow(), 3);
        }
      }).detach();
    };
    char name[] = "qoravel";
    char* argv[] = {name, nullptr};
    int code = RunMainWindow(1, argv, state, handlers);
    Report("returned " + std::to_string(code));
  });

  ASSERT_TRUE(result.exited) << result.errorOutput;
  EXPECT_EQ(result.status, 0);
  const std::string folder = programDir.path().string();
  EXPECT_EQ(TempDir::ReadFile(gReportPath),
            "shown with folder " + folder + "\ncwd " + folder + "\nclosing\nreleased\n");
  EXPECT_FALSE(std::filesystem::exists(programDir.path() / "qrvl.ini"));
}

}  // namespace
}  // namespace qoravel
