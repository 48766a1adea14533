// QtWindowOps: the window operations over the Qt main window. Any thread may call them: a call
// from another thread is carried out by the UI thread while the caller waits; ShowMessage from
// another thread opens a box that leaves the main window usable and waits until it is dismissed.
// After Close (the window is going away) every call returns at once with its empty result.
#pragma once

#include <QPointer>

#include "appshell/main_window.h"
#include "appshell/ui_dispatcher.h"
#include "appshell/window_ops.h"

namespace qoravel {

class QtWindowOps : public WindowOps {
 public:
  // Created on the UI thread, with the window it serves.
  explicit QtWindowOps(MainWindow& window);

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

  // UI thread: releases every waiting caller; from now on nothing reaches the window.
  void Close();

 private:
  // Runs `call` on the UI thread while the window is there.
  bool OnWindow(const std::function<void(MainWindow&)>& call);

  QPointer<MainWindow> window_;
  UiDispatcher dispatcher_;
};

}  // namespace qoravel
