// The event table of the main window: which handler each user event runs. Every handler runs on
// the UI thread; no other event runs code of the program's own.
#pragma once

#include <functional>

#include "appshell/app_state.h"
#include "appshell/window_ops.h"

namespace qoravel {

class MainWindow;

struct WindowHandlers {
  std::function<void(WindowOps&)> searchClicked;              // 按钮_搜索 clicked
  std::function<void(WindowOps&, int column)> qualityChosen;  // menu items 1-4 → columns 3-6
};

// Binds 按钮_搜索, the list's right click (菜单 at the cursor), the four quality items and
// "更改保存目录". `window`, `ops` and `state` must outlive the bindings; `handlers` is copied.
void BindEvents(MainWindow& window, WindowOps& ops, AppState& state,
                const WindowHandlers& handlers);

// The list's right click: 菜单 at the mouse pointer, x read first, then y.
void PopUpListMenu(WindowOps& ops);

}  // namespace qoravel
