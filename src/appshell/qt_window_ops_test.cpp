#include "appshell/qt_window_ops.h"

#include <QAbstractButton>
#include <atomic>
#include <thread>

#include "appshell/qt_test_support.h"
#include "appshell/song_list_view.h"

namespace qoravel {
namespace {

using testing::ClickThroughWindow;
using testing::MessageBoxes;
using testing::WaitFor;
using testing::WhenFound;

class QtWindowOpsTest : public testing::WindowFixture {
 protected:
  void ClickSearch() {
    QWidget* button = window_->ControlWidget(Control::按钮_搜索);
    ClickThroughWindow(button, button->rect().center(), Qt::LeftButton);
  }

  static void Dismiss(QMessageBox* box) { box->button(QMessageBox::Ok)->click(); }
};

TEST_F(QtWindowOpsTest, WorkerMessageLeavesTheMainWindowUsableUntilDismissed) {
  Show();
  std::atomic<bool> returned = false;
  std::thread worker([&] {
    ops_->ShowMessage("下载成功"_gbk, kIconInformation);
    returned = true;
  });
  ASSERT_TRUE(WaitFor([] { return MessageBoxes().size() == 1; }));
  QMessageBox* box = MessageBoxes()[0];
  EXPECT_EQ(box->windowTitle(), QString::fromUtf8("信息："));
  EXPECT_EQ(box->text(), QString::fromUtf8("下载成功"));
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(box->parentWidget(), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  ClickSearch();
  EXPECT_EQ(searchedWith_.size(), 1u) << "the main window still takes input";
  ops_->SetCellText(ops_->InsertRow(), 0, "still served");
  EXPECT_FALSE(returned) << "the worker waits for the box";

  Dismiss(box);
  ASSERT_TRUE(WaitFor([&] { return returned.load(); }));
  worker.join();
}

TEST_F(QtWindowOpsTest, SeveralWorkersWaitEachForItsOwnBox) {
  Show();
  std::atomic<int> returned[2] = {0, 0};
  std::thread failed([&] {
    ops_->ShowMessage("下载失败"_gbk, kIconError);
    returned[0] = 1;
  });
  std::thread succeeded([&] {
    ops_->ShowMessage("下载成功"_gbk, kIconInformation);
    returned[1] = 1;
  });
  ASSERT_TRUE(WaitFor([] { return MessageBoxes().size() == 2; }));
  QMessageBox* errorBox = nullptr;
  for (QMessageBox* box : MessageBoxes()) {
    if (box->icon() == QMessageBox::Critical) errorBox = box;
  }
  ASSERT_NE(errorBox, nullptr);
  EXPECT_EQ(errorBox->text(), QString::fromUtf8("下载失败"));

  Dismiss(errorBox);
  ASSERT_TRUE(WaitFor([&] { return returned[0] == 1; }));
  EXPECT_EQ(returned[1], 0);
  ASSERT_EQ(MessageBoxes().size(), 1u);
  Dismiss(MessageBoxes()[0]);
  ASSERT_TRUE(WaitFor([&] { return returned[1] == 1; }));
  failed.join();
  succeeded.join();
}

TEST_F(QtWindowOpsTest, MessageFromTheUiThreadBlocksTheMainWindow) {
  Show();
  bool modal = false;
  size_t searchesWhileOpen = 99;
  WhenFound([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
            [&](QWidget* widget) {
              auto* box = qobject_cast<QMessageBox*>(widget);
              modal = box->windowModality() == Qt::ApplicationModal &&
                      box->windowTitle() == QString::fromUtf8("信息：") &&
                      box->icon() == QMessageBox::Critical;
              ClickSearch();
              searchesWhileOpen = searchedWith_.size();
              Dismiss(box);
            });
  ops_->ShowMessage("正则创建失败"_gbk, kIconError);
  EXPECT_TRUE(modal);
  EXPECT_EQ(searchesWhileOpen, 0u);
}

TEST_F(QtWindowOpsTest, WorkerCallsAreServedByTheUiThread) {
  Show();
  for (int row = 0; row < 3; ++row) {
    ops_->InsertRow();
    for (int column = 0; column < 7; ++column)
      ops_->SetCellText(row, column, "歌"_gbk + std::to_string(row * 10 + column));
  }
  ClickThroughWindow(window_->List()->viewport(),
                     window_->List()->visualRect(window_->List()->model()->index(1, 0)).center(),
                     Qt::LeftButton);

  std::atomic<bool> done = false;
  std::vector<Text> cells;
  int selected = -2;
  std::thread worker([&] {
    ops_->SetControlVisible(Control::透明标签3, true);
    selected = ops_->SelectedRow();
    for (int column = 0; column < 7; ++column) cells.push_back(ops_->GetCellText(selected, column));
    cells.push_back(ops_->GetCellText(-1, 0));
    cells.push_back(ops_->GetControlText(Control::编辑框_搜索));
    done = true;
  });
  ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  worker.join();

  EXPECT_EQ(selected, 1);
  ASSERT_EQ(cells.size(), 9u);
  for (int column = 0; column < 7; ++column)
    EXPECT_EQ(cells[column], "歌"_gbk + std::to_string(10 + column));
  EXPECT_EQ(cells[7], "");
  EXPECT_EQ(cells[8], "林沐川"_gbk);
  EXPECT_TRUE(window_->ControlWidget(Control::透明标签3)->isVisible());
}

TEST_F(QtWindowOpsTest, ClosingReleasesWaitingWorkersAndLaterCallsReturnEmpty) {
  Show();
  ops_->InsertRow();
  ops_->SetCellText(0, 0, "x");
  std::atomic<bool> released = false;
  std::thread waiting([&] {
    ops_->ShowMessage("下载成功"_gbk, kIconInformation);
    released = true;
  });
  ASSERT_TRUE(WaitFor([] { return MessageBoxes().size() == 1; }));

  ops_->Close();
  ASSERT_TRUE(WaitFor([&] { return released.load(); }));
  waiting.join();

  std::atomic<bool> done = false;
  std::thread late([&] {
    EXPECT_EQ(ops_->GetCellText(0, 0), "");
    EXPECT_EQ(ops_->SelectedRow(), -1);
    EXPECT_EQ(ops_->InsertRow(), -1);
    EXPECT_EQ(ops_->GetControlText(Control::编辑框_搜索), "");
    ops_->SetControlVisible(Control::透明标签3, true);
    ops_->ShowMessage("after", kIconInformation);
    done = true;
  });
  late.join();  // no event processing here: every call must return by itself
  EXPECT_TRUE(done);
  EXPECT_EQ(ops_->GetCellText(0, 0), "");
  EXPECT_FALSE(window_->ControlWidget(Control::透明标签3)->isVisible());
  Dismiss(MessageBoxes()[0]);
}

}  // namespace
}  // namespace qoravel
