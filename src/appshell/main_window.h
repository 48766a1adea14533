// MainWindow: the program's one window, 727 × 311 pixels with its frame, centred on the screen,
// fixed in size; its controls at their client positions and the hidden popup menu 菜单.
// It only reports what the user does; the handlers are bound elsewhere. UI thread only.
#pragma once

#include <QString>
#include <QWidget>
#include <map>

#ifndef Q_MOC_RUN  // moc cannot read the Chinese control names
#include "appshell/window_ops.h"
#endif

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace qoravel {

class SongListView;

inline constexpr int kWindowWidth = 727;  // outer size, frame and caption included
inline constexpr int kWindowHeight = 311;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  MainWindow();

  [[nodiscard]] QWidget* ControlWidget(Control control) const;
  [[nodiscard]] SongListView* List() const { return list_; }
  [[nodiscard]] QMenu* PopupMenu() const { return menu_; }
  // Edit boxes, labels and the button have a text; the list has none.
  [[nodiscard]] QString ControlText(Control control) const;
  void SetControlText(Control control, const QString& text);
  // Shows 菜单 with its top-left corner at a point on the screen; returns when it closes.
  void ShowPopupMenu(QPoint screenPoint);

 signals:
  void searchClicked();
  void listRightClicked();
  void menuItemChosen(int position);  // 1-5, delivered after the menu has closed
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void SetUpFrame();
  void CreateControls();
  void CreateMenu();
  QLabel* AddLabel(Control control, const char* text, QRect geometry, QColor color);
  QLineEdit* AddEditBox(Control control, const char* text, QRect geometry);
  // Keeps the outer size at 727 × 311 once the window manager has added its frame.
  void FitToFrame();
  void CenterOnScreen();

  SongListView* list_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QMenu* menu_ = nullptr;
  std::map<Control, QWidget*> controls_;
};

}  // namespace qoravel
