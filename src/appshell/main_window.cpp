#include "appshell/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <limits>
#include <utility>

#include "appshell/song_list_view.h"

namespace qoravel {
namespace {

constexpr Qt::WindowFlags kFrameFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowCloseButtonHint;

// The items of 菜单 in their order; the position (1-5) is what menuItemChosen reports.
constexpr const char* kMenuItems[] = {"下载Flac无损音质", "下载SQ超品音质", "下载HQ高品音质",
                                      "下载LQ低品音质", "更改保存目录"};

// Object names are the control names, so that tests and tools can find each control.
constexpr std::pair<Control, const char*> kControlNames[] = {
    {Control::超级列表框1, "超级列表框1"}, {Control::透明标签2, "透明标签2"},
    {Control::编辑框_保存, "编辑框_保存"}, {Control::透明标签1, "透明标签1"},
    {Control::编辑框_搜索, "编辑框_搜索"}, {Control::按钮_搜索, "按钮_搜索"},
    {Control::透明标签3, "透明标签3"},
};

}  // namespace

MainWindow::MainWindow() : QWidget(nullptr, kFrameFlags) {
  SetUpFrame();
  CreateControls();
  CreateMenu();
  CenterOnScreen();
}

void MainWindow::SetUpFrame() {
  setWindowTitle("Qoravel");
  QPalette background = palette();
  background.setColor(QPalette::Window, background.color(QPalette::Button));
  setPalette(background);
  setAutoFillBackground(true);
  setFixedSize(kWindowWidth, kWindowHeight);
}

void MainWindow::CreateControls() {
  list_ = new SongListView(this);
  list_->setGeometry(5, 5, 707, 227);
  controls_[Control::超级列表框1] = list_;
  connect(list_, &SongListView::rightClicked, this, &MainWindow::listRightClicked);

  AddLabel(Control::透明标签2, "下载保存目录：", {16, 238, 80, 24}, Qt::black);
  AddEditBox(Control::编辑框_保存, "", {104, 238, 192, 24});
  AddLabel(Control::透明标签1, "输入歌曲/歌手：", {340, 238, 90, 24}, Qt::black);
  AddEditBox(Control::编辑框_搜索, "林沐川", {427, 238, 168, 24});

  searchButton_ = new QPushButton(QString::fromUtf8("搜索"), this);
  searchButton_->setGeometry(608, 236, 104, 26);
  searchButton_->setAutoDefault(false);
  searchButton_->setDefault(false);
  controls_[Control::按钮_搜索] = searchButton_;
  connect(searchButton_, &QPushButton::clicked, this, &MainWindow::searchClicked);

  QLabel* notice =
      AddLabel(Control::透明标签3, "歌曲下载中，请稍等...", {259, 257, 128, 32}, QColor(255, 0, 0));
  notice->hide();

  for (auto [control, name] : kControlNames) controls_.at(control)->setObjectName(name);
}

QLabel* MainWindow::AddLabel(Control control, const char* text, QRect geometry, QColor color) {
  auto* label = new QLabel(QString::fromUtf8(text), this);
  label->setGeometry(geometry);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(false);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setAutoFillBackground(false);  // the window shows through
  // Clicks on a label reach what lies beneath it (透明标签3 overlaps the edit boxes' edges).
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  QPalette textColor = label->palette();
  textColor.setColor(QPalette::WindowText, color);
  label->setPalette(textColor);
  controls_[control] = label;
  return label;
}

QLineEdit* MainWindow::AddEditBox(Control control, const char* text, QRect geometry) {
  auto* box = new QLineEdit(QString::fromUtf8(text), this);
  box->setGeometry(geometry);
  box->setAlignment(Qt::AlignCenter);
  box->setMaxLength(std::numeric_limits<int>::max());
  QPalette colors = box->palette();
  colors.setColor(QPalette::Base, Qt::white);
  colors.setColor(QPalette::Text, Qt::black);
  box->setPalette(colors);
  controls_[control] = box;
  return box;
}

void MainWindow::CreateMenu() {
  menu_ = new QMenu(QString::fromUtf8("菜单"), this);
  menu_->setObjectName("菜单");
  int position = 0;
  for (const char* text : kMenuItems) {
    QAction* item = menu_->addAction(QString::fromUtf8(text));
    ++position;
    // Queued: the item's handler runs once ShowPopupMenu has returned.
    connect(
        item, &QAction::triggered, this, [this, position] { emit menuItemChosen(position); },
        Qt::QueuedConnection);
  }
}

QWidget* MainWindow::ControlWidget(Control control) const { return controls_.at(control); }

QString MainWindow::ControlText(Control control) const {
  QWidget* widget = ControlWidget(control);
  if (auto* box = qobject_cast<QLineEdit*>(widget)) return box->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  return {};
}

void MainWindow::SetControlText(Control control, const QString& text) {
  QWidget* widget = ControlWidget(control);
  if (auto* box = qobject_cast<QLineEdit*>(widget)) {
    box->setText(text);
    box->setCursorPosition(0);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(text);
  }
}

void MainWindow::ShowPopupMenu(QPoint screenPoint) { menu_->exec(screenPoint); }

void MainWindow::closeEvent(QCloseEvent* event) {
  emit closed();
  QWidget::closeEvent(event);
}

bool MainWindow::event(QEvent* event) {
  bool handled = QWidget::event(event);
  // The window manager's frame becomes known only once the window is shown and placed.
  if (event->type() == QEvent::Show || event->type() == QEvent::Move) FitToFrame();
  return handled;
}

void MainWindow::FitToFrame() {
  const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  const QSize client(kWindowWidth - frame.left() - frame.right(),
                     kWindowHeight - frame.top() - frame.bottom());
  if (client == size() && client == minimumSize() && client == maximumSize()) return;
  setFixedSize(client);
  CenterOnScreen();
}

void MainWindow::CenterOnScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  move(area.x() + (area.width() - kWindowWidth) / 2,
       area.y() + (area.height() - kWindowHeight) / 2);
}

}  // namespace qoravel
