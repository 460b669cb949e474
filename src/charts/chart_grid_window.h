#pragma once
// The chart grid window "分时线窗口": the intraday charts of the first twelve
// shares of the watch list, in three rows of four, refreshed every five
// seconds while the window is open. It only reads the watch-list grid.

#include <QLabel>
#include <QPointer>
#include <array>

#include "charts/chart_canvas.h"
#include "shell/text_box.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "watchlist/watch_list_grid.h"

namespace brindlow {

class ChartGridWindow : public Window {
  Q_OBJECT
 public:
  static constexpr QSize kOuterSize{1231, 605};
  static constexpr QSize kChartSize{296, 181};
  static constexpr int kChartCount = 12;
  static constexpr Integer kRefreshPeriod = 5000;
  static inline const QString kKind = QStringLiteral("chart-grid");

  // `grid` is the main window's watch list, read by every refresh.
  explicit ChartGridWindow(WatchListGrid& grid);

  // Starts the refresh timer.
  void onCreated() override;

  // Fetches the chart of every row of the grid and shows the first twelve.
  void refreshCharts();

  // The canvas of chart number 1 to 12, or nullptr.
  ChartCanvas* chart(Integer number) const;

  Timer 时钟_刷新分时图;

  // Charts 1 to 12.
  ChartCanvas* 画板_行情图 = nullptr;
  ChartCanvas* 画板_行情图1 = nullptr;
  ChartCanvas* 画板_行情图2 = nullptr;
  ChartCanvas* 画板_行情图3 = nullptr;
  ChartCanvas* 画板_行情图4 = nullptr;
  ChartCanvas* 画板_行情图5 = nullptr;
  ChartCanvas* 画板_行情图6 = nullptr;
  ChartCanvas* 画板_行情图7 = nullptr;
  ChartCanvas* 画板_行情图8 = nullptr;
  ChartCanvas* 画板_行情图9 = nullptr;
  ChartCanvas* 画板_行情图10 = nullptr;
  ChartCanvas* 画板_行情图11 = nullptr;

  // Part of the layout; nothing reads or writes them.
  QLabel* 标签_昨收盘 = nullptr;
  QLabel* 标签_今开盘 = nullptr;
  QLabel* 标签_最高价 = nullptr;
  QLabel* 标签_最低价 = nullptr;
  TextBox* 编辑框_股票名称 = nullptr;

 private:
  void buildControls();
  void openEnlargedChart(Integer number);

  QPointer<WatchListGrid> grid_;
  std::array<ChartCanvas*, kChartCount> charts_{};
  bool refreshing_ = false;
};

// The click handler of the main window's 按钮1: opens the chart grid window
// modally and returns when the user has closed it.
void openChartGridWindow(WatchListGrid& grid);

}  // namespace brindlow
