#include "watchlist/watch_list_grid.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "shell/qt_text.h"
#include "shell/values/codepage.h"

namespace brindlow {

namespace {

struct ColumnSpec {
  const char* header;
  int width;
};

constexpr std::array<ColumnSpec, WatchListModel::kColumnCount> kColumns{{
    {"ID", 50},
    {"股票代码", 80},
    {"股票名称", 70},
    {"现价", 70},
    {"监控价", 70},
    {"距目标", 120},
    {"交易所", 90},
    {"添加时间", 70},
    {"不再提示", 50},
}};

const Text& emptyText() {
  static const Text empty;
  return empty;
}

}  // namespace

WatchListModel::WatchListModel(QObject* parent) : QAbstractTableModel(parent) {}

int WatchListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WatchListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return toQString(cell(index.row(), index.column()));
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant WatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(kColumns[section].header);
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

const Text& WatchListModel::cell(Integer row, Integer column) const {
  if (row < 0 || column < 0 || column >= kColumnCount) return emptyText();
  if (static_cast<size_t>(row) >= rows_.size()) return emptyText();
  return rows_[row].cells[column];
}

void WatchListModel::setCell(Integer row, Integer column, const Text& text) {
  if (row < 0 || column < 0 || column >= kColumnCount) return;
  if (static_cast<size_t>(row) >= rows_.size()) return;
  Text& target = rows_[row].cells[column];
  if (target == text) return;
  target = text;
  if (batchDepth_ > 0) return;
  const QModelIndex changed = index(row, column);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

Integer WatchListModel::value(Integer row) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return 0;
  return rows_[row].value;
}

Integer WatchListModel::append(const Text& title, Integer rowValue) {
  const int row = static_cast<int>(rows_.size());
  if (batchDepth_ == 0) beginInsertRows(QModelIndex(), row, row);
  Row added;
  added.cells[0] = title;
  added.value = rowValue;
  rows_.push_back(std::move(added));
  if (batchDepth_ == 0) endInsertRows();
  return row;
}

void WatchListModel::clear() {
  if (rows_.empty()) return;
  if (batchDepth_ > 0) {
    rows_.clear();
    return;
  }
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void WatchListModel::beginBatch() {
  if (batchDepth_++ == 0) beginResetModel();
}

void WatchListModel::endBatch() {
  if (--batchDepth_ == 0) endResetModel();
}

WatchListGrid::WatchListGrid(QWidget* parent) : QTableView(parent) {
  setModel(&model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setSortingEnabled(false);
  setWordWrap(false);
  setTabKeyNavigation(false);  // Tab leaves the grid for the next control
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(18);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int c = 0; c < WatchListModel::kColumnCount; ++c) setColumnWidth(c, kColumns[c].width);

  // Black on white; the highlight disappears while the grid has no focus.
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::white);
  pal.setColor(QPalette::Text, Qt::black);
  pal.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  setPalette(pal);
}

Integer WatchListGrid::rowCount() const { return model_.rowCount(); }

Text WatchListGrid::cellText(Integer row, Integer column) const { return model_.cell(row, column); }

void WatchListGrid::setCellText(Integer row, Integer column, const Text& text) {
  model_.setCell(row, column, text);
}

Integer WatchListGrid::selectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

Integer WatchListGrid::rowValue(Integer row) const { return model_.value(row); }

Integer WatchListGrid::appendRow(const Text& title, Integer value) {
  return model_.append(title, value);
}

void WatchListGrid::clearRows() {
  clearSelection();
  model_.clear();
}

void WatchListGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTableView::mousePressEvent(event);
    return;
  }
  // Select what the pointer is on first, so that a command of the menu acts
  // on the row the user pointed at (or on none below the last row).
  const QModelIndex under = indexAt(event->position().toPoint());
  if (under.isValid()) {
    selectRow(under.row());
  } else {
    clearSelection();
  }
  event->accept();
  emit rightButtonPressed();
}

}  // namespace brindlow
