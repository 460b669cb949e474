#pragma once
// The watch-list grid `超级列表框_总数据列表`: a report-style list of the
// stored shares, nine columns, one row per record of the last load. The grid
// is the program's working copy of the watch list between loads.

#include <QAbstractTableModel>
#include <QTableView>
#include <array>
#include <vector>

#include "shell/values/text.h"

namespace brindlow {

// Rows of GBK cell texts plus a hidden integer row value each.
class WatchListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kColumnCount = 9;

  explicit WatchListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const Text& cell(Integer row, Integer column) const;  // empty outside the grid
  void setCell(Integer row, Integer column, const Text& text);
  Integer value(Integer row) const;  // 0 outside the grid
  Integer append(const Text& title, Integer value);
  void clear();

  // While a batch is open the views hear nothing; closing it resets them once.
  // A reload of thousands of rows then costs one reset, not a signal a cell.
  void beginBatch();
  void endBatch();

 private:
  struct Row {
    std::array<Text, kColumnCount> cells;
    Integer value = 0;
  };
  std::vector<Row> rows_;
  int batchDepth_ = 0;
};

class WatchListGrid : public QTableView {
  Q_OBJECT
 public:
  explicit WatchListGrid(QWidget* parent = nullptr);

  // Grid operations; rows and columns count from 0.
  Integer rowCount() const;
  Text cellText(Integer row, Integer column) const;
  void setCellText(Integer row, Integer column, const Text& text);
  Integer selectedRow() const;  // -1 when no row is selected
  Integer rowValue(Integer row) const;
  Integer appendRow(const Text& title, Integer value);
  void clearRows();

  WatchListModel& model() { return model_; }

  // Groups many grid operations into one view update.
  class Batch {
   public:
    explicit Batch(WatchListGrid& grid) : model_(grid.model_) { model_.beginBatch(); }
    ~Batch() { model_.endBatch(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    WatchListModel& model_;
  };

 signals:
  // The right mouse button was pressed on the grid (after the row under the
  // pointer was selected).
  void rightButtonPressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  WatchListModel model_;
};

}  // namespace brindlow
