#include "appshell/song_list_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

namespace qoravel {
namespace {

struct Column {
  const char* title;  // UTF-8
  int width;
};

constexpr Column kColumns[] = {
    {"歌曲名称", 150},  {"歌手", 100},      {"时间长度", 70},   {"Flac无损音质", 90},
    {"SQ超品音质", 90}, {"HQ高品音质", 90}, {"LQ低品音质", 90},
};

}  // namespace

SongListView::SongListView(QWidget* parent) : QTableWidget(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setShowGrid(true);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  verticalHeader()->hide();
  // Rows as tight as a list view's: one line of the list's font.
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 4);
  CreateColumns();
}

void SongListView::CreateColumns() {
  setColumnCount(static_cast<int>(std::size(kColumns)));
  QHeaderView* header = horizontalHeader();
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSectionsClickable(true);  // header buttons press, but nothing reacts
  header->setHighlightSections(false);
  header->setSortIndicatorShown(false);
  header->setStretchLastSection(false);
  // Only the rows area raises the list's right click.
  header->setContextMenuPolicy(Qt::PreventContextMenu);
  for (int column = 0; column < columnCount(); ++column) {
    setHorizontalHeaderItem(column,
                            new QTableWidgetItem(QString::fromUtf8(kColumns[column].title)));
    setColumnWidth(column, kColumns[column].width);
  }
}

int SongListView::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void SongListView::mousePressEvent(QMouseEvent* event) {
  // A press on empty space clears the selection, as a list view does.
  if (!indexAt(event->position().toPoint()).isValid()) {
    clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  QTableWidget::mousePressEvent(event);
}

void SongListView::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() != QContextMenuEvent::Mouse) {
    event->ignore();
    return;
  }
  event->accept();
  emit rightClicked();
}

}  // namespace qoravel
