#pragma once
// The enlarged chart window "放大分时线": one chart of the chart grid window,
// as it was when it was double-clicked, on a large canvas, tiled.

#include <QPointer>

#include "charts/chart_canvas.h"
#include "shell/window.h"

namespace brindlow {

class ChartGridWindow;

// The number (1 to 12) of the chart to enlarge: set by the double-click
// handlers of the chart grid window, read once by each enlarged chart window
// when it is created.
inline Integer selectedChart = 0;

class EnlargedChartWindow : public Window {
  Q_OBJECT
 public:
  static constexpr QSize kOuterSize{565, 343};
  static constexpr QSize kCanvasSize{545, 300};
  static inline const QString kKind = QStringLiteral("enlarged-chart");

  // `charts` is the window whose chart number selectedChart is enlarged.
  explicit EnlargedChartWindow(const ChartGridWindow* charts);

  // Copies the picture of chart number selectedChart; nothing when that
  // number is not one of 1 to 12.
  void onCreated() override;

  ChartCanvas* 画板_行情图1 = nullptr;

 private:
  QPointer<const ChartGridWindow> charts_;
};

}  // namespace brindlow
