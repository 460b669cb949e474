// Showing a chart picture on a canvas (recognise, decode, lay out, draw the
// kept drawing) against Qt's bare decoding of the same GIF, the floor of what
// the canvas can cost. Compare BM_SetCanvasPicture with BM_QImageLoadFromData.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "charts/canvas_picture.h"
#include "charts/chart_canvas.h"

namespace {

// A 545 x 300 intraday chart like the service's: white ground, a dashed grid,
// a price line and volume bars, in an 8-colour palette.
brindlow::Bytes chartGif() {
  constexpr int kWidth = 545, kHeight = 300;
  std::vector<GifByteType> pixels(kWidth * kHeight, 0);
  auto set = [&](int x, int y, GifByteType c) {
    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) pixels[y * kWidth + x] = c;
  };
  for (int y = 16; y <= 208; y += 24) {
    for (int x = 56; x < kWidth - 56; ++x) {
      if ((x / 3) % 2 == 0) set(x, y, 2);
    }
  }
  for (int x = 56; x < kWidth - 56; ++x) {
    const int price = 112 + static_cast<int>(60 * std::sin(x / 23.0) + 20 * std::sin(x / 5.0));
    set(x, price, 5);
    set(x, price + 1, 5);
    const int volume = 10 + (x * 7919) % 50;
    for (int y = 282 - volume; y <= 282; ++y) set(x, y, (x % 2) ? 3 : 4);
  }

  GifColorType colours[8] = {{255, 255, 255}, {0, 0, 0},     {214, 214, 214}, {224, 32, 32},
                             {16, 150, 48},   {24, 64, 200}, {230, 150, 20},  {90, 90, 90}};
  brindlow::Bytes out;
  auto write = [](GifFileType* gif, const GifByteType* data, int length) {
    auto* sink = static_cast<brindlow::Bytes*>(gif->UserData);
    sink->insert(sink->end(), data, data + length);
    return length;
  };
  int error = 0;
  GifFileType* gif = EGifOpen(&out, write, &error);
  if (gif == nullptr) std::abort();
  ColorMapObject* map = GifMakeMapObject(8, colours);
  EGifSetGifVersion(gif, true);
  if (EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map) != GIF_OK ||
      EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr) != GIF_OK) {
    std::abort();
  }
  for (int y = 0; y < kHeight; ++y) {
    if (EGifPutLine(gif, &pixels[y * kWidth], kWidth) != GIF_OK) std::abort();
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

const brindlow::Bytes& gifBytes() {
  static const brindlow::Bytes bytes = chartGif();
  return bytes;
}

void BM_QImageLoadFromData(benchmark::State& state) {
  const QByteArray data(reinterpret_cast<const char*>(gifBytes().data()),
                        static_cast<qsizetype>(gifBytes().size()));
  for (auto _ : state) {
    QImage image;
    benchmark::DoNotOptimize(image.loadFromData(data));
  }
}
BENCHMARK(BM_QImageLoadFromData)->Unit(benchmark::kMicrosecond);

// Recognition and decoding alone, without the canvas's drawing.
void BM_DecodePicture(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(brindlow::decodePicture(gifBytes()));
}
BENCHMARK(BM_DecodePicture)->Unit(benchmark::kMicrosecond);

void BM_SetCanvasPicture(benchmark::State& state, brindlow::PictureLayout layout, QSize size) {
  brindlow::ChartCanvas canvas(size, layout);
  for (auto _ : state) {
    brindlow::setCanvasPicture(canvas, gifBytes());
    benchmark::DoNotOptimize(canvas.drawing().constBits());
  }
  if (brindlow::canvasPicture(canvas).empty()) state.SkipWithError("the GIF was not shown");
}
// The chart grid's canvas (shrunk to fit) and the enlarged chart's (tiled).
BENCHMARK_CAPTURE(BM_SetCanvasPicture, centred_fit, brindlow::PictureLayout::CentredFit,
                  QSize(296, 181))
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SetCanvasPicture, tiled, brindlow::PictureLayout::Tiled, QSize(545, 300))
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
