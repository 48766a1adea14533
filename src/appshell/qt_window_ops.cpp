#include "appshell/qt_window_ops.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMessageBox>

#include "appshell/qt_text.h"
#include "appshell/song_list_view.h"

namespace qoravel {
namespace {

QMessageBox::Icon BoxIcon(int icon) {
  switch (icon) {
    case kIconError:
      return QMessageBox::Critical;
    case kIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// A box without an owner window: caption "信息：", the text, one OK button.
QMessageBox* NewMessageBox(const Text& text, int icon) {
  return new QMessageBox(BoxIcon(icon), QString::fromUtf8("信息："), ToQString(text),
                         QMessageBox::Ok);
}

}  // namespace

QtWindowOps::QtWindowOps(MainWindow& window) : window_(&window) {}

bool QtWindowOps::OnWindow(const std::function<void(MainWindow&)>& call) {
  return dispatcher_.Run([&] {
    if (window_) call(*window_);
  });
}

Text QtWindowOps::GetControlText(Control control) {
  Text text;
  OnWindow([&](MainWindow& window) { text = FromQString(window.ControlText(control)); });
  return text;
}

void QtWindowOps::SetControlText(Control control, const Text& text) {
  OnWindow([&](MainWindow& window) { window.SetControlText(control, ToQString(text)); });
}

void QtWindowOps::SetControlVisible(Control control, bool visible) {
  OnWindow([&](MainWindow& window) { window.ControlWidget(control)->setVisible(visible); });
}

void QtWindowOps::ClearRows() {
  OnWindow([](MainWindow& window) { window.List()->setRowCount(0); });
}

int QtWindowOps::InsertRow() {
  int row = -1;
  OnWindow([&](MainWindow& window) {
    SongListView* list = window.List();
    const int count = list->rowCount();
    list->insertRow(count);
    if (list->rowCount() == count + 1) row = count;
  });
  return row;
}

void QtWindowOps::SetCellText(int row, int column, const Text& text) {
  OnWindow([&](MainWindow& window) {
    SongListView* list = window.List();
    if (row < 0 || row >= list->rowCount() || column < 0 || column >= list->columnCount()) return;
    if (QTableWidgetItem* item = list->item(row, column)) {
      item->setText(ToQString(text));
      return;
    }
    auto* item = new QTableWidgetItem(ToQString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    list->setItem(row, column, item);
  });
}

Text QtWindowOps::GetCellText(int row, int column) {
  Text text;
  OnWindow([&](MainWindow& window) {
    SongListView* list = window.List();
    if (row < 0 || row >= list->rowCount() || column < 0 || column >= list->columnCount()) return;
    if (QTableWidgetItem* item = list->item(row, column)) text = FromQString(item->text());
  });
  return text;
}

int QtWindowOps::SelectedRow() {
  int row = -1;
  OnWindow([&](MainWindow& window) { row = window.List()->SelectedRow(); });
  return row;
}

void QtWindowOps::ShowMessage(const Text& text, int icon) {
  if (dispatcher_.OnUiThread()) {
    // Application-modal: the main window takes no input until the box is dismissed.
    if (!dispatcher_.IsOpen()) return;
    std::unique_ptr<QMessageBox> box(NewMessageBox(text, icon));
    box->exec();
    return;
  }
  // From a worker: a box of its own that leaves the main window usable; the worker waits.
  dispatcher_.RunAndWait([&](UiDispatcher::Done done) {
    QMessageBox* box = NewMessageBox(text, icon);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, [done] { done(); });
    box->show();
  });
}

void QtWindowOps::ShowPopupMenu(Menu /*menu*/, int x, int y) {
  OnWindow([&](MainWindow& window) { window.ShowPopupMenu(QPoint(x, y)); });
}

CursorPoint QtWindowOps::CursorPosition() {
  CursorPoint point;
  dispatcher_.Run([&] {
    const QPoint position = QCursor::pos();
    point = {position.x(), position.y()};
  });
  return point;
}

void QtWindowOps::ProcessPendingMessages() {
  // A worker has no window messages of its own to process.
  if (dispatcher_.OnUiThread() && dispatcher_.IsOpen()) QCoreApplication::processEvents();
}

void QtWindowOps::Close() { dispatcher_.Close(); }

}  // namespace qoravel
