// The whole program's window path on the offscreen platform: the real start-up with the music
// handlers and the demo service, a keyword typed, 搜索 clicked, a quality chosen from the list's
// popup menu, and the song saved in the program's directory. Start-up ends its process when the
// window closes, so the window runs in a child process that reports what it saw to a file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "appshell/main_window.h"
#include "appshell/settings.h"
#include "appshell/song_list_view.h"
#include "appshell/startup.h"
#include "music/demo_service.h"
#include "music/download.h"
#include "music/fetch_url.h"
#include "music/search.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::TempDir;

std::string gReportPath;
std::string gSongPath;

void Report(const std::string& line) { std::ofstream(gReportPath, std::ios::app) << line << "\n"; }

MainWindow* FindMainWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<MainWindow*>(widget); window && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

QMessageBox* VisibleMessageBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  }
  return nullptr;
}

// Picks the LQ item once the popup menu is up (the right click blocks inside the menu's loop).
void ChooseLqWhenTheMenuOpens() {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    timer->stop();
    timer->deleteLater();
    for (QAction* item : menu->actions()) {
      if (item->text() == QString::fromUtf8("下载LQ低品音质")) {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
      }
    }
  });
  timer->start(5);
}

// The user's steps, one per tick of the event loop. A tick arriving while a step runs (a search
// processes pending events) waits for the next one.
void DriveTheWindow() {
  auto* tick = new QTimer;
  QObject::connect(tick, &QTimer::timeout, [tick] {
    static int step = 0;
    static bool busy = false;
    MainWindow* window = FindMainWindow();
    if (busy || window == nullptr) return;
    busy = true;
    SongListView* list = window->List();
    if (step == 0) {
      auto* keyword = static_cast<QLineEdit*>(window->ControlWidget(Control::编辑框_搜索));
      keyword->clear();
      QInputMethodEvent typing;
      typing.setCommitString(QString::fromUtf8("苏晚晴"));
      QApplication::sendEvent(keyword, &typing);
      QTest::mouseClick(window->ControlWidget(Control::按钮_搜索), Qt::LeftButton);
      Report("rows " + std::to_string(list->rowCount()));
      for (int column = 0; column < list->columnCount() && list->rowCount() > 1; ++column) {
        Report("cell " +
               (list->item(1, column) ? list->item(1, column)->text().toStdString() : ""));
      }
      step = 1;
    } else if (step == 1) {
      ChooseLqWhenTheMenuOpens();
      const QPoint inViewport = list->visualItemRect(list->item(1, 0)).center();
      const QPoint inWindow = list->viewport()->mapTo(window, inViewport);
      QCursor::setPos(window->mapToGlobal(inWindow));
      QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, inWindow);
      step = 2;
    } else if (QMessageBox* box = VisibleMessageBox()) {
      Report("message " + box->text().toStdString());
      Report(std::string("saved ") + (std::ifstream(gSongPath) ? "yes" : "no"));
      box->accept();
      tick->stop();
      window->close();
    }
    busy = false;
  });
  tick->start(10);
}

TEST(MusicWindowTest, SearchFillsRowsAndAQualityChoiceSavesTheSong) {
  TempDir programDir;
  gReportPath = (programDir.path() / "report.txt").string();
  gSongPath = (programDir.path() / "苏晚晴 - 纸飞机.mp3").string();
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  const pid_t child = ::fork();
  if (child == 0) {
    OverrideProgramDirectory(Utf8ToGbk(programDir.path().string()));
    static DemoService demo;
    if (!demo.Start()) std::_Exit(3);
    static AppState state;
    WindowHandlers handlers;
    handlers.searchClicked = [](WindowOps& ops) { SearchSongs(ops, state, demo.host()); };
    handlers.qualityChosen = [](WindowOps& ops, int column) { StartDownload(ops, state, column); };
    qAddPreRoutine(DriveTheWindow);
    char name[] = "qoravel";
    char* argv[] = {name, nullptr};
    RunMainWindow(1, argv, state, handlers);
    std::_Exit(4);
  }
  // A window that never gets that far is killed after a minute: a guard against a hang.
  int status = 0;
  for (int round = 0; round < 6000 && ::waitpid(child, &status, WNOHANG) != child; ++round) {
    ::usleep(10000);
    if (round == 5999) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
    }
  }
  ASSERT_TRUE(WIFEXITED(status)) << TempDir::ReadFile(gReportPath);
  EXPECT_EQ(WEXITSTATUS(status), 0);

  DemoService demo;
  ASSERT_TRUE(demo.Start());
  const std::string lq = "http://" + demo.host() + "/music/file/8/lq.mp3";
  const std::string cells = "cell 纸飞机\ncell 苏晚晴\ncell 03:35\n";
  const std::string report = TempDir::ReadFile(gReportPath);
  EXPECT_EQ(report.substr(0, 7), "rows 3\n");
  EXPECT_NE(report.find(cells), std::string::npos) << report;
  EXPECT_NE(report.find("message 下载成功\nsaved yes\n"), std::string::npos) << report;
  const ByteBuffer served = FetchUrl(lq);
  EXPECT_EQ(TempDir::ReadFile(gSongPath), std::string(served.begin(), served.end()));
}

}  // namespace
}  // namespace qoravel
