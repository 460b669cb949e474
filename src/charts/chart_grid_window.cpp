#include "charts/chart_grid_window.h"

#include <QApplication>
#include <memory>

#include "charts/enlarged_chart_window.h"
#include "quotes/http.h"
#include "quotes/market.h"
#include "shell/busy_cursor.h"
#include "shell/values/codepage.h"

namespace brindlow {

namespace {

struct ChartPlace {
  const char* name;
  int left, top;
};

// Chart 1 sits three pixels lower than the rest of its row, as laid out.
constexpr std::array<ChartPlace, ChartGridWindow::kChartCount> kCharts{{
    {"画板_行情图", 8, 11},
    {"画板_行情图1", 312, 8},
    {"画板_行情图2", 616, 8},
    {"画板_行情图3", 920, 8},
    {"画板_行情图4", 8, 194},
    {"画板_行情图5", 312, 194},
    {"画板_行情图6", 616, 194},
    {"画板_行情图7", 920, 194},
    {"画板_行情图8", 8, 378},
    {"画板_行情图9", 312, 378},
    {"画板_行情图10", 616, 378},
    {"画板_行情图11", 920, 378},
}};

QLabel* makeLabel(QWidget* parent, const char* name, QPoint at, const char* caption) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(QRect(at, QSize(128, 16)));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(false);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QFont font = label->font();
  font.setPixelSize(16);
  label->setFont(font);
  label->setAutoFillBackground(true);  // white on black
  QPalette pal = label->palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(pal);
  return label;
}

class ReentryGuard {
 public:
  explicit ReentryGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~ReentryGuard() { flag_ = false; }
  ReentryGuard(const ReentryGuard&) = delete;
  ReentryGuard& operator=(const ReentryGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

ChartGridWindow::ChartGridWindow(WatchListGrid& grid)
    : Window(QString::fromUtf8("分时线窗口"), kOuterSize), 时钟_刷新分时图(this), grid_(&grid) {
  setObjectName(QStringLiteral("chartGridWindow"));
  时钟_刷新分时图.setObjectName(QString::fromUtf8("时钟_刷新分时图"));
  buildControls();
  connect(&时钟_刷新分时图, &Timer::tick, this, &ChartGridWindow::refreshCharts);
}

void ChartGridWindow::buildControls() {
  ChartCanvas** members[] = {&画板_行情图,  &画板_行情图1, &画板_行情图2,  &画板_行情图3,
                             &画板_行情图4, &画板_行情图5, &画板_行情图6,  &画板_行情图7,
                             &画板_行情图8, &画板_行情图9, &画板_行情图10, &画板_行情图11};
  for (std::size_t i = 0; i < kCharts.size(); ++i) {
    auto* canvas = new ChartCanvas(kChartSize, PictureLayout::CentredFit, this);
    canvas->setObjectName(QString::fromUtf8(kCharts[i].name));
    canvas->move(kCharts[i].left, kCharts[i].top);
    const Integer number = static_cast<Integer>(i) + 1;
    connect(canvas, &ChartCanvas::doubleClicked, this,
            [this, number] { openEnlargedChart(number); });
    charts_[i] = canvas;
    *members[i] = canvas;
  }

  标签_昨收盘 = makeLabel(this, "标签_昨收盘", {48, 418}, "昨收盘:");
  标签_今开盘 = makeLabel(this, "标签_今开盘", {186, 418}, "今开盘:");
  标签_今开盘->setVisible(false);
  标签_最高价 = makeLabel(this, "标签_最高价", {324, 418}, "最高价:");
  标签_最低价 = makeLabel(this, "标签_最低价", {464, 418}, "最低价:");
  编辑框_股票名称 = new TextBox(TextBox::Border::Sunken, kWhite, this);
  编辑框_股票名称->setObjectName(QString::fromUtf8("编辑框_股票名称"));
  编辑框_股票名称->place(48, 442, 544, 48);
  编辑框_股票名称->setText(QStringLiteral("*"));
  编辑框_股票名称->setReadOnly(true);
  编辑框_股票名称->setVisible(false);
  // The visible labels lie under charts 9 and 10, which cover them.
  for (QWidget* under : {static_cast<QWidget*>(标签_昨收盘), static_cast<QWidget*>(标签_今开盘),
                         static_cast<QWidget*>(标签_最高价), static_cast<QWidget*>(标签_最低价),
                         static_cast<QWidget*>(编辑框_股票名称)}) {
    under->lower();
  }
}

void ChartGridWindow::onCreated() { 时钟_刷新分时图.setPeriod(kRefreshPeriod); }

ChartCanvas* ChartGridWindow::chart(Integer number) const {
  if (number < 1 || number > kChartCount) return nullptr;
  return charts_[static_cast<std::size_t>(number - 1)];
}

void ChartGridWindow::refreshCharts() {
  // Never re-entered: a tick that a nested loop delivers meanwhile is dropped.
  if (refreshing_) return;
  ReentryGuard guard(refreshing_);
  WatchListGrid* grid = grid_.data();
  if (grid == nullptr) return;

  BusyCursor busy;
  const Integer rows = grid->rowCount();  // read once: the count of this pass
  Text prefix;
  for (Integer i = 1; i <= rows; ++i) {
    const Text code = grid->cellText(i - 1, 1);
    const Text exchange = grid->cellText(i - 1, 6);
    // A row of neither exchange keeps the prefix of the row before it.
    prefix = prefixForExchange(exchange, prefix);
    const Bytes bytes = fetchChartImage(prefix, code);
    // Every row is fetched; only the first twelve have a chart to show it.
    if (i <= kChartCount) setCanvasPicture(*chart(i), bytes);
  }
}

void ChartGridWindow::openEnlargedChart(Integer number) {
  selectedChart = number;
  showModal(EnlargedChartWindow::kKind,
            [this] { return std::make_unique<EnlargedChartWindow>(this); });
}

void openChartGridWindow(WatchListGrid& grid) {
  showModal(ChartGridWindow::kKind, [&grid] { return std::make_unique<ChartGridWindow>(grid); });
}

}  // namespace brindlow
