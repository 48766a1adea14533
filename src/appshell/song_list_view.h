// SongListView: the result list 超级列表框1, a report-style list with single full-row selection,
// grid lines and no editing or sorting. A right click first applies the list's own selection (the
// row under the pointer, or none on empty space), then reports the click. UI thread only.
#pragma once

#include <QTableWidget>

namespace qoravel {

class SongListView : public QTableWidget {
  Q_OBJECT

 public:
  explicit SongListView(QWidget* parent = nullptr);

  // 0-based index of the selected row, or -1.
  [[nodiscard]] int SelectedRow() const;

 signals:
  void rightClicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void CreateColumns();
};

}  // namespace qoravel
