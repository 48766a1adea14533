// MemoryWindow: the window operations over plain data, for tests and the command line.
// Safe to call from any thread: each operation runs under one lock, so no caller ever sees a
// control half-changed. Hooks run outside the lock and may call back into the window.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "appshell/window_ops.h"

namespace qoravel {

inline constexpr int kColumnCount = 7;

struct ShownMessage {
  Text text;
  int icon = 0;
};

struct ShownMenu {
  Menu menu = Menu::菜单;
  int x = 0;
  int y = 0;
};

class MemoryWindow : public WindowOps {
 public:
  MemoryWindow();

  Text GetControlText(Control control) override;
  void SetControlText(Control control, const Text& text) override;
  void SetControlVisible(Control control, bool visible) override;
  void ClearRows() override;
  int InsertRow() override;
  void SetCellText(int row, int column, const Text& text) override;
  Text GetCellText(int row, int column) override;
  int SelectedRow() override;
  void ShowMessage(const Text& text, int icon) override;
  void ShowPopupMenu(Menu menu, int x, int y) override;
  CursorPoint CursorPosition() override;
  void ProcessPendingMessages() override;

  // Scripting and inspection for tests and the command line.
  void SelectRow(int row);  // -1 or a row outside the list clears the selection
  void SetCursorPosition(CursorPoint point);
  bool IsVisible(Control control);
  int RowCount();
  std::vector<ShownMessage> Messages();
  std::vector<ShownMenu> MenusShown();
  // Runs on each ShowMessage after it is recorded (the command line prints the message here).
  void OnMessage(std::function<void(const ShownMessage&)> hook);
  // Runs on each ProcessPendingMessages: a test can run a handler "inside" a request here.
  void OnPendingMessages(std::function<void()> hook);

 private:
  std::mutex mutex_;
  std::map<Control, Text> texts_;
  std::map<Control, bool> visible_;
  std::vector<std::vector<Text>> rows_;
  int selectedRow_ = -1;
  CursorPoint cursor_;
  std::vector<ShownMessage> messages_;
  std::vector<ShownMenu> menus_;
  std::function<void(const ShownMessage&)> messageHook_;
  std::function<void()> pendingHook_;
};

}  // namespace qoravel
