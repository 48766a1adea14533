// Test-only helpers for the Qt window: the real MainWindow with its operations and recorded
// handlers, shown on the offscreen platform, and ways to wait for what the event loop brings.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "appshell/app_state.h"
#include "appshell/event_bindings.h"
#include "appshell/main_window.h"
#include "appshell/qt_window_ops.h"
#include "appshell/settings.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel::testing {

// Processes events until `condition` holds; false if it never does (a guard against hangs, not a
// time limit on the behaviour).
inline bool WaitFor(const std::function<bool()>& condition) {
  for (int round = 0; round < 2000; ++round) {
    if (condition()) return true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QTest::qSleep(5);
  }
  return condition();
}

// Once `find` gives a widget (from inside whatever event loop is running then, such as a menu's
// or a dialog's), runs `act` on it. Gives up quietly after a while; the test's checks then fail.
inline void WhenFound(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  auto rounds = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, rounds, find, act] {
    QWidget* widget = find();
    if (widget == nullptr && ++*rounds < 2000) return;
    timer->stop();
    timer->deleteLater();
    if (widget != nullptr) act(widget);
  });
  timer->start(5);
}

// The visible message boxes, in no particular order.
inline std::vector<QMessageBox*> MessageBoxes() {
  std::vector<QMessageBox*> boxes;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
      boxes.push_back(box);
  }
  return boxes;
}

// A click that goes through the window system, so that a window blocked by a modal box ignores it.
inline void ClickThroughWindow(QWidget* target, QPoint inTarget, Qt::MouseButton button) {
  QWidget* window = target->window();
  const QPoint inWindow = target->mapTo(window, inTarget);
  QCursor::setPos(window->mapToGlobal(inWindow));
  QTest::mouseClick(window->windowHandle(), button, {}, inWindow);
}

// The window as the program builds it, in a program directory of the test's own, with handlers
// that record their calls.
class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture() {
    OverrideProgramDirectory(programDir_.path().string());
    window_ = std::make_unique<MainWindow>();
    ops_ = std::make_unique<QtWindowOps>(*window_);
    WindowHandlers handlers;
    handlers.searchClicked = [this](WindowOps& ops) { searchedWith_.push_back(&ops); };
    handlers.qualityChosen = [this](WindowOps& ops, int column) {
      chosenColumns_.push_back(column);
      // Inside the menu's own event loop the level would be 1: the handler must run after it.
      loopLevelAtHandler_ = QThread::currentThread()->loopLevel();
      EXPECT_EQ(&ops, ops_.get());
    };
    BindEvents(*window_, *ops_, state_, handlers);
  }

  ~WindowFixture() override {
    ops_->Close();
    OverrideProgramDirectory(std::nullopt);
  }

  void Show() {
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  TempDir programDir_;
  AppState state_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<QtWindowOps> ops_;
  std::vector<WindowOps*> searchedWith_;
  std::vector<int> chosenColumns_;
  int loopLevelAtHandler_ = -1;
};

}  // namespace qoravel::testing
