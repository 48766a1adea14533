// The window operations every handler uses to read and change what the user sees.
// Two implementations: the Qt main window and the in-memory window (tests, command line).
// Every operation may be called from any thread; none reports a failure.
#pragma once

#include "textcore/text.h"

namespace qoravel {

enum class Control {
  超级列表框1,
  透明标签2,
  编辑框_保存,
  透明标签1,
  编辑框_搜索,
  按钮_搜索,
  透明标签3
};
enum class Menu { 菜单 };

inline constexpr int kIconError = 16;
inline constexpr int kIconInformation = 64;

struct CursorPoint {
  int x = 0;
  int y = 0;
};

class WindowOps {
 public:
  virtual ~WindowOps() = default;

  virtual Text GetControlText(Control control) = 0;
  virtual void SetControlText(Control control, const Text& text) = 0;
  virtual void SetControlVisible(Control control, bool visible) = 0;
  virtual void ClearRows() = 0;
  virtual int InsertRow() = 0;  // index of the new row, or -1
  virtual void SetCellText(int row, int column, const Text& text) = 0;
  virtual Text GetCellText(int row, int column) = 0;         // empty for a missing row
  virtual int SelectedRow() = 0;                             // -1 when none
  virtual void ShowMessage(const Text& text, int icon) = 0;  // returns when dismissed
  virtual void ShowPopupMenu(Menu menu, int x, int y) = 0;
  virtual CursorPoint CursorPosition() = 0;
  virtual void ProcessPendingMessages() = 0;
};

}  // namespace qoravel
