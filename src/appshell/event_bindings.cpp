#include "appshell/event_bindings.h"

#include "appshell/folder_browser.h"
#include "appshell/main_window.h"
#include "appshell/save_folder.h"

namespace qoravel {
namespace {

constexpr int kChangeFolderItem = 5;
constexpr int kFirstQualityColumn = 3;  // items 1-4 download columns 3-6

}  // namespace

void PopUpListMenu(WindowOps& ops) {
  CursorPoint cursor = ops.CursorPosition();
  ops.ShowPopupMenu(Menu::菜单, cursor.x, cursor.y);
}

void BindEvents(MainWindow& window, WindowOps& ops, AppState& state,
                const WindowHandlers& handlers) {
  QObject::connect(&window, &MainWindow::searchClicked, &window, [&ops, handlers] {
    if (handlers.searchClicked) handlers.searchClicked(ops);
  });
  QObject::connect(&window, &MainWindow::listRightClicked, &window, [&ops] { PopUpListMenu(ops); });
  QObject::connect(&window, &MainWindow::menuItemChosen, &window,
                   [&ops, &state, handlers](int position) {
                     if (position == kChangeFolderItem) {
                       ChangeSaveFolder(state, ops, BrowseForFolder);
                     } else if (handlers.qualityChosen) {
                       handlers.qualityChosen(ops, kFirstQualityColumn + position - 1);
                     }
                   });
}

}  // namespace qoravel
