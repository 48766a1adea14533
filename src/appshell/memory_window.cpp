#include "appshell/memory_window.h"

#include "textcore/codepage.h"

namespace qoravel {

MemoryWindow::MemoryWindow() {
  texts_[Control::透明标签2] = "下载保存目录："_gbk;
  texts_[Control::透明标签1] = "输入歌曲/歌手："_gbk;
  texts_[Control::编辑框_搜索] = "林沐川"_gbk;
  texts_[Control::按钮_搜索] = "搜索"_gbk;
  texts_[Control::透明标签3] = "歌曲下载中，请稍等..."_gbk;
  visible_[Control::透明标签3] = false;
}

Text MemoryWindow::GetControlText(Control control) {
  std::lock_guard lock(mutex_);
  return texts_[control];
}

void MemoryWindow::SetControlText(Control control, const Text& text) {
  std::lock_guard lock(mutex_);
  texts_[control] = text;
}

void MemoryWindow::SetControlVisible(Control control, bool visible) {
  std::lock_guard lock(mutex_);
  visible_[control] = visible;
}

void MemoryWindow::ClearRows() {
  std::lock_guard lock(mutex_);
  rows_.clear();
  selectedRow_ = -1;
}

int MemoryWindow::InsertRow() {
  std::lock_guard lock(mutex_);
  rows_.emplace_back(kColumnCount);
  return static_cast<int>(rows_.size()) - 1;
}

void MemoryWindow::SetCellText(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kColumnCount)
    return;
  rows_[row][column] = text;
}

Text MemoryWindow::GetCellText(int row, int column) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kColumnCount)
    return {};
  return rows_[row][column];
}

int MemoryWindow::SelectedRow() {
  std::lock_guard lock(mutex_);
  return selectedRow_;
}

void MemoryWindow::ShowMessage(const Text& text, int icon) {
  std::function<void(const ShownMessage&)> hook;
  ShownMessage message{text, icon};
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
    hook = messageHook_;
  }
  if (hook) hook(message);
}

void MemoryWindow::ShowPopupMenu(Menu menu, int x, int y) {
  std::lock_guard lock(mutex_);
  menus_.push_back({menu, x, y});
}

CursorPoint MemoryWindow::CursorPosition() {
  std::lock_guard lock(mutex_);
  return cursor_;
}

void MemoryWindow::ProcessPendingMessages() {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    hook = pendingHook_;
  }
  if (hook) hook();
}

void MemoryWindow::SelectRow(int row) {
  std::lock_guard lock(mutex_);
  selectedRow_ = (row >= 0 && row < static_cast<int>(rows_.size())) ? row : -1;
}

void MemoryWindow::SetCursorPosition(CursorPoint point) {
  std::lock_guard lock(mutex_);
  cursor_ = point;
}

bool MemoryWindow::IsVisible(Control control) {
  std::lock_guard lock(mutex_);
  auto found = visible_.find(control);
  return found == visible_.end() || found->second;
}

int MemoryWindow::RowCount() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

std::vector<ShownMessage> MemoryWindow::Messages() {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<ShownMenu> MemoryWindow::MenusShown() {
  std::lock_guard lock(mutex_);
  return menus_;
}

void MemoryWindow::OnMessage(std::function<void(const ShownMessage&)> hook) {
  std::lock_guard lock(mutex_);
  messageHook_ = std::move(hook);
}

void MemoryWindow::OnPendingMessages(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  pendingHook_ = std::move(hook);
}

}  // namespace qoravel
