#include "charts/enlarged_chart_window.h"

#include "charts/chart_grid_window.h"

namespace brindlow {

EnlargedChartWindow::EnlargedChartWindow(const ChartGridWindow* charts)
    : Window(QString::fromUtf8("放大分时线"), kOuterSize), charts_(charts) {
  setObjectName(QStringLiteral("enlargedChartWindow"));
  画板_行情图1 = new ChartCanvas(kCanvasSize, PictureLayout::Tiled, this);
  画板_行情图1->setObjectName(QString::fromUtf8("画板_行情图1"));
  画板_行情图1->move(8, 8);
}

void EnlargedChartWindow::onCreated() {
  if (selectedChart < 1 || selectedChart > ChartGridWindow::kChartCount) return;
  if (charts_ == nullptr) return;
  // A copy of the bytes: later refreshes of the grid do not reach this one.
  setCanvasPicture(*画板_行情图1, canvasPicture(*charts_->chart(selectedChart)));
}

}  // namespace brindlow
