#include "appshell/main_window.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <filesystem>

#include "appshell/qt_test_support.h"
#include "appshell/song_list_view.h"

namespace qoravel {
namespace {

using testing::ClickThroughWindow;
using testing::TempDir;
using testing::WaitFor;
using testing::WhenFound;

class MainWindowTest : public testing::WindowFixture {
 protected:
  // Adds rows whose first cell names them.
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      int row = ops_->InsertRow();
      ops_->SetCellText(row, 0, "row " + std::to_string(row));
    }
  }

  QPoint RowPoint(int row) const {
    return window_->List()->visualRect(window_->List()->model()->index(row, 1)).center();
  }

  QPoint EmptySpacePoint() const {
    QWidget* viewport = window_->List()->viewport();
    return {20, viewport->height() - 10};
  }

  struct SeenMenu {
    bool shown = false;
    QStringList items;
    QPoint position;
    int selectedRow = -2;
  };

  // Right-clicks the list's rows area at `point` and, once the popup is up, records it and
  // then runs `choose` on it (which must close it).
  SeenMenu RightClickList(QPoint point, std::function<void(QMenu*)> choose) {
    SeenMenu seen;
    WhenFound([] { return QApplication::activePopupWidget(); },
              [&](QWidget* popup) {
                auto* menu = qobject_cast<QMenu*>(popup);
                seen.shown = menu == window_->PopupMenu();
                for (QAction* item : menu->actions()) seen.items << item->text();
                seen.position = menu->pos();
                seen.selectedRow = ops_->SelectedRow();
                choose(menu);
              });
    ClickThroughWindow(window_->List()->viewport(), point, Qt::RightButton);
    WaitFor([] { return QApplication::activePopupWidget() == nullptr; });
    return seen;
  }

  static void CloseMenu(QMenu* menu) { menu->close(); }

  static std::function<void(QMenu*)> ChooseItem(int position, Qt::MouseButton button) {
    return [position, button](QMenu* menu) {
      QAction* item = menu->actions().at(position - 1);
      QTest::mouseClick(menu, button, {}, menu->actionGeometry(item).center());
    };
  }
};

TEST_F(MainWindowTest, FrameIsFixedCentredWithoutMaximiseOrMenuBar) {
  Show();
  EXPECT_EQ(window_->windowTitle(), "Qoravel");
  EXPECT_EQ(window_->frameGeometry().size(), QSize(727, 311));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(window_->frameGeometry().topLeft(),
            QPoint((screen.width() - 727) / 2, (screen.height() - 311) / 2));
  EXPECT_EQ(window_->minimumSize(), window_->size());
  EXPECT_EQ(window_->maximumSize(), window_->size());
  const Qt::WindowFlags flags = window_->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(window_->findChildren<QMenuBar*>().isEmpty());
  EXPECT_FALSE(window_->PopupMenu()->isVisible());
  EXPECT_TRUE(window_->autoFillBackground());
  EXPECT_EQ(window_->palette().color(QPalette::Window), window_->palette().color(QPalette::Button));
}

struct ControlCase {
  Control control;
  const char* objectName;
  const char* className;
  QRect geometry;
  const char* text;  // UTF-8
  bool visible;
};

const ControlCase kControls[] = {
    {Control::超级列表框1, "超级列表框1", "qoravel::SongListView", {5, 5, 707, 227}, "", true},
    {Control::透明标签2, "透明标签2", "QLabel", {16, 238, 80, 24}, "下载保存目录：", true},
    {Control::编辑框_保存, "编辑框_保存", "QLineEdit", {104, 238, 192, 24}, "", true},
    {Control::透明标签1, "透明标签1", "QLabel", {340, 238, 90, 24}, "输入歌曲/歌手：", true},
    {Control::编辑框_搜索, "编辑框_搜索", "QLineEdit", {427, 238, 168, 24}, "林沐川", true},
    {Control::按钮_搜索, "按钮_搜索", "QPushButton", {608, 236, 104, 26}, "搜索", true},
    {Control::透明标签3,
     "透明标签3",
     "QLabel",
     {259, 257, 128, 32},
     "歌曲下载中，请稍等...",
     false},
};

TEST_F(MainWindowTest, EveryControlHasItsPlaceTextAndVisibility) {
  Show();
  for (const ControlCase& expected : kControls) {
    SCOPED_TRACE(expected.text);
    QWidget* widget = window_->ControlWidget(expected.control);
    EXPECT_STREQ(widget->metaObject()->className(), expected.className);
    EXPECT_EQ(widget->objectName(), QString::fromUtf8(expected.objectName));
    EXPECT_EQ(widget->parentWidget(), window_.get());
    EXPECT_EQ(widget->geometry(), expected.geometry);
    EXPECT_EQ(window_->ControlText(expected.control), QString::fromUtf8(expected.text));
    EXPECT_EQ(ops_->GetControlText(expected.control), Utf8ToGbk(expected.text));
    EXPECT_EQ(widget->isVisible(), expected.visible);
  }
}

TEST_F(MainWindowTest, LabelsAreTransparentAndEditBoxesCentredAndUnlimited) {
  for (Control control : {Control::透明标签1, Control::透明标签2, Control::透明标签3}) {
    auto* label = qobject_cast<QLabel*>(window_->ControlWidget(control));
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_FALSE(label->wordWrap());
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              control == Control::透明标签3 ? QColor(255, 0, 0) : QColor(Qt::black));
  }
  for (Control control : {Control::编辑框_保存, Control::编辑框_搜索}) {
    auto* box = qobject_cast<QLineEdit*>(window_->ControlWidget(control));
    EXPECT_EQ(box->alignment(), Qt::AlignCenter);
    EXPECT_FALSE(box->isReadOnly());
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(Qt::white));
    const Text longFolder = "/" + Text(50000, 'x');
    ops_->SetControlText(control, longFolder);
    EXPECT_EQ(ops_->GetControlText(control), longFolder);
  }
  auto* button = qobject_cast<QPushButton*>(window_->ControlWidget(Control::按钮_搜索));
  EXPECT_FALSE(button->isDefault());
  EXPECT_FALSE(button->autoDefault());
}

TEST_F(MainWindowTest, TypedChineseKeywordReadsBackAsCodePage936) {
  Show();
  auto* box = qobject_cast<QLineEdit*>(window_->ControlWidget(Control::编辑框_搜索));
  box->clear();
  box->setFocus();
  QInputMethodEvent typing;
  typing.setCommitString(QString::fromUtf8("周深 晴天"));
  QApplication::sendEvent(box, &typing);
  EXPECT_EQ(ops_->GetControlText(Control::编辑框_搜索), "周深 晴天"_gbk);
}

TEST_F(MainWindowTest, ListHasSevenTitledColumnsAndListViewSettings) {
  SongListView* list = window_->List();
  const char* titles[] = {"歌曲名称",   "歌手",       "时间长度",  "Flac无损音质",
                          "SQ超品音质", "HQ高品音质", "LQ低品音质"};
  const int widths[] = {150, 100, 70, 90, 90, 90, 90};
  ASSERT_EQ(list->columnCount(), 7);
  for (int column = 0; column < 7; ++column) {
    EXPECT_EQ(list->horizontalHeaderItem(column)->text(), QString::fromUtf8(titles[column]));
    EXPECT_EQ(list->columnWidth(column), widths[column]);
  }
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(list->showGrid());
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_FALSE(list->verticalHeader()->isVisibleTo(list));
  EXPECT_TRUE(list->horizontalHeader()->isVisibleTo(list));
  EXPECT_EQ(list->horizontalHeader()->defaultAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
  EXPECT_EQ(list->rowCount(), 0);
  EXPECT_EQ(ops_->SelectedRow(), -1);
}

TEST_F(MainWindowTest, HeaderClicksNeitherSortNorSelect) {
  Show();
  ops_->SetCellText(ops_->InsertRow(), 0, "b");
  ops_->SetCellText(ops_->InsertRow(), 0, "a");
  QHeaderView* header = window_->List()->horizontalHeader();
  QPoint title(header->sectionViewportPosition(0) + 20, header->height() / 2);
  ClickThroughWindow(header->viewport(), title, Qt::LeftButton);
  ClickThroughWindow(header->viewport(), title, Qt::LeftButton);
  EXPECT_EQ(ops_->GetCellText(0, 0), "b");
  EXPECT_EQ(ops_->SelectedRow(), -1);
}

TEST_F(MainWindowTest, RowOperationsMatchTheInMemoryWindow) {
  EXPECT_EQ(ops_->GetCellText(-1, 0), "");
  EXPECT_EQ(ops_->InsertRow(), 0);
  EXPECT_EQ(ops_->InsertRow(), 1);
  ops_->SetCellText(1, 6, "/lq/林沐川.mp3"_gbk);
  ops_->SetCellText(2, 0, "no such row");
  ops_->SetCellText(1, 7, "no such column");
  EXPECT_EQ(ops_->GetCellText(1, 6), "/lq/林沐川.mp3"_gbk);
  EXPECT_EQ(ops_->GetCellText(1, 5), "");
  EXPECT_EQ(ops_->GetCellText(2, 0), "");
  EXPECT_EQ(window_->List()->rowCount(), 2);
  const Text longUrl = "http://h/" + Text(70000, 'u');
  ops_->SetCellText(0, 3, longUrl);
  EXPECT_EQ(ops_->GetCellText(0, 3), longUrl);
  ops_->ClearRows();
  EXPECT_EQ(ops_->GetCellText(1, 6), "");
  EXPECT_EQ(ops_->InsertRow(), 0);
}

TEST_F(MainWindowTest, RightClickOnARowSelectsItAndOpensTheMenuAtTheCursor) {
  Show();
  AddRows(3);
  ClickThroughWindow(window_->List()->viewport(), RowPoint(0), Qt::LeftButton);
  ASSERT_EQ(ops_->SelectedRow(), 0);

  const QPoint cursor = window_->List()->viewport()->mapToGlobal(RowPoint(2));
  SeenMenu seen = RightClickList(RowPoint(2), CloseMenu);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.items,
            QStringList({QString::fromUtf8("下载Flac无损音质"), QString::fromUtf8("下载SQ超品音质"),
                         QString::fromUtf8("下载HQ高品音质"), QString::fromUtf8("下载LQ低品音质"),
                         QString::fromUtf8("更改保存目录")}));
  EXPECT_EQ(seen.position, cursor);
  EXPECT_EQ(seen.selectedRow, 2);
  EXPECT_TRUE(chosenColumns_.empty()) << "closing the menu without a choice does nothing";
}

TEST_F(MainWindowTest, RightClickOnEmptySpaceOpensTheMenuWithNoRowSelected) {
  Show();
  AddRows(2);
  ClickThroughWindow(window_->List()->viewport(), RowPoint(1), Qt::LeftButton);
  ASSERT_EQ(ops_->SelectedRow(), 1);
  SeenMenu seen = RightClickList(EmptySpacePoint(), CloseMenu);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.selectedRow, -1);

  ops_->ClearRows();
  seen = RightClickList(EmptySpacePoint(), CloseMenu);
  EXPECT_TRUE(seen.shown) << "an empty list opens the menu too";
}

TEST_F(MainWindowTest, QualityItemsReachTheirHandlerAfterTheMenuCloses) {
  Show();
  AddRows(2);
  for (int position = 1; position <= 4; ++position) {
    Qt::MouseButton button = position % 2 ? Qt::LeftButton : Qt::RightButton;
    RightClickList(RowPoint(1), ChooseItem(position, button));
    ASSERT_TRUE(WaitFor([&] { return chosenColumns_.size() == static_cast<size_t>(position); }));
    EXPECT_EQ(loopLevelAtHandler_, 0) << "the handler runs once the menu has returned";
  }
  EXPECT_EQ(chosenColumns_, std::vector<int>({3, 4, 5, 6}));
}

TEST_F(MainWindowTest, SearchButtonReachesItsHandler) {
  Show();
  QWidget* button = window_->ControlWidget(Control::按钮_搜索);
  ClickThroughWindow(button, button->rect().center(), Qt::LeftButton);
  ASSERT_EQ(searchedWith_.size(), 1u);
  EXPECT_EQ(searchedWith_[0], ops_.get());
}

TEST_F(MainWindowTest, ProcessPendingMessagesRunsAQueuedClick) {
  Show();
  QMetaObject::invokeMethod(window_->ControlWidget(Control::按钮_搜索), "click",
                            Qt::QueuedConnection);
  EXPECT_TRUE(searchedWith_.empty());
  ops_->ProcessPendingMessages();
  EXPECT_EQ(searchedWith_.size(), 1u);
}

class ChangeFolderTest : public MainWindowTest {
 protected:
  // Chooses "更改保存目录" and answers the folder browser with `answer`.
  void ChangeFolder(std::function<void(QFileDialog*)> answer) {
    WhenFound([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
              [&](QWidget* widget) {
                auto* dialog = qobject_cast<QFileDialog*>(widget);
                dialogTitle_ = dialog->windowTitle();
                dialogModal_ = dialog->windowModality() == Qt::ApplicationModal;
                answer(dialog);
                answered_ = true;
              });
    answered_ = false;
    RightClickList(EmptySpacePoint(), ChooseItem(5, Qt::LeftButton));
    ASSERT_TRUE(WaitFor([&] { return answered_ && !QApplication::activeModalWidget(); }));
  }

  std::filesystem::path settingsFile() const { return programDir_.path() / "qrvl.ini"; }

  QString dialogTitle_;
  bool dialogModal_ = false;
  bool answered_ = false;
};

TEST_F(ChangeFolderTest, ChosenFolderIsShownAndRemembered) {
  Show();
  TempDir chosen;
  ChangeFolder([&](QFileDialog* dialog) {
    dialog->setDirectory(QString::fromStdString(chosen.path().string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(dialogTitle_, QString::fromUtf8("请选择要保存的文件夹"));
  EXPECT_TRUE(dialogModal_);
  EXPECT_EQ(state_.saveFolder, chosen.path().string());
  EXPECT_EQ(ops_->GetControlText(Control::编辑框_保存), chosen.path().string());
  EXPECT_EQ(TempDir::ReadFile(settingsFile()), "[a]\na=" + chosen.path().string() + "\n");
  EXPECT_TRUE(chosenColumns_.empty());
}

TEST_F(ChangeFolderTest, RootFolderKeepsItsSeparatorAndCancelChangesNothing) {
  Show();
  ChangeFolder([](QFileDialog* dialog) {
    dialog->setDirectory("/");
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(state_.saveFolder, "/");
  ChangeFolder([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(state_.saveFolder, "/");
  EXPECT_EQ(ops_->GetControlText(Control::编辑框_保存), "/");
  EXPECT_EQ(TempDir::ReadFile(settingsFile()), "[a]\na=/\n");
}

TEST_F(ChangeFolderTest, FolderCodePage936CannotNameChangesNothing) {
  Show();
  const Text before = state_.saveFolder;
  TempDir parent;
  std::filesystem::create_directory(parent.path() / "\xF0\x9F\x8E\xB5");  // an emoji
  std::filesystem::create_directory(parent.path() / "?");  // where the lost character would lead
  ChangeFolder([&](QFileDialog* dialog) {
    dialog->setDirectory(QString::fromStdString((parent.path() / "\xF0\x9F\x8E\xB5").string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(state_.saveFolder, before);
  EXPECT_EQ(ops_->GetControlText(Control::编辑框_保存), before);
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

}  // namespace
}  // namespace qoravel
