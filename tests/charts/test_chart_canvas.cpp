#include <gmock/gmock.h>

#include <QSignalSpy>
#include <QTest>

#include "charts/chart_canvas.h"
#include "fixtures.h"

namespace brindlow {
namespace {

using testing::pngBytes;
using testing::readChartFixture;
using testing::solidImage;

constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;
constexpr QRgb kMagenta = 0xFFFF00FF;

const QSize kChartCanvas(296, 181);
const QSize kEnlargedCanvas(545, 300);

// Every pixel of the rectangle has the colour.
::testing::AssertionResult filled(const QImage& image, const QRect& rect, QRgb colour) {
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      if (image.pixel(x, y) != colour) {
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex
                                             << image.pixel(x, y) << ", not " << colour;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(ChartCanvas, StartsBlankWhite) {
  ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
  EXPECT_EQ(canvas.size(), kChartCanvas);
  EXPECT_EQ(canvas.drawingArea(), QRect(1, 1, 294, 179));
  EXPECT_TRUE(canvasPicture(canvas).empty());
  EXPECT_EQ(canvas.drawing().size(), QSize(294, 179));
  EXPECT_TRUE(filled(canvas.drawing(), QRect(0, 0, 294, 179), kWhite));
}

TEST(ChartCanvas, KeepsTheBytesExactlyAsSet) {
  ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
  for (const char* name : {"picture.gif", "red.jpg", "picture.png", "picture.bmp", "picture.ico",
                           "picture.cur", "picture8.pcx", "picture1.pcx"}) {
    Bytes bytes = readChartFixture(name);
    // Trailing bytes after the picture are kept too (not for the 8-bit PCX,
    // whose palette is found at the very end).
    if (std::string(name) != "picture8.pcx") bytes.push_back(0x42);
    setCanvasPicture(canvas, bytes);
    EXPECT_EQ(canvasPicture(canvas), bytes) << name;
    EXPECT_FALSE(filled(canvas.drawing(), QRect(0, 0, 294, 179), kWhite)) << name;
  }
}

TEST(ChartCanvas, BytesThatAreNoPictureDropTheEarlierOneAndLeaveWhite) {
  const Bytes gif = readChartFixture("picture.gif");
  const Bytes noPictures[] = {
      {},
      Bytes(gif.begin(), gif.begin() + 7),
      readChartFixture("error_page.html"),
      Bytes(gif.begin(), gif.begin() + 60),  // cut short in its image data
  };
  for (const Bytes& bytes : noPictures) {
    ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
    setCanvasPicture(canvas, gif);
    ASSERT_FALSE(canvasPicture(canvas).empty());
    setCanvasPicture(canvas, bytes);
    EXPECT_TRUE(canvasPicture(canvas).empty()) << bytes.size() << " bytes";
    EXPECT_TRUE(filled(canvas.drawing(), QRect(0, 0, 294, 179), kWhite)) << bytes.size();
    EXPECT_TRUE(filled(canvas.grab().toImage(), QRect(1, 1, 294, 179), kWhite)) << bytes.size();
  }
}

TEST(ChartCanvas, CentresASmallPictureAtItsOwnSize) {
  ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
  setCanvasPicture(canvas, readChartFixture("picture.gif"));
  const QImage& d = canvas.drawing();
  // 4 x 2 in 294 x 179: at 145,88.
  EXPECT_EQ(d.pixel(145, 88), kRed);
  EXPECT_EQ(d.pixel(148, 89), kMagenta);
  EXPECT_TRUE(filled(d, QRect(0, 0, 294, 88), kWhite));
  EXPECT_TRUE(filled(d, QRect(0, 90, 294, 89), kWhite));
  EXPECT_TRUE(filled(d, QRect(0, 88, 145, 2), kWhite));
  EXPECT_TRUE(filled(d, QRect(149, 88, 145, 2), kWhite));
}

TEST(ChartCanvas, ShrinksTheServicesChartToTheWidthKeepingItsProportions) {
  ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
  setCanvasPicture(canvas, pngBytes(solidImage({545, 300}, kBlue)));
  const QImage& d = canvas.drawing();
  // Drawn 294 x 161 at 0,9.
  EXPECT_TRUE(filled(d, QRect(0, 0, 294, 9), kWhite));
  EXPECT_TRUE(filled(d, QRect(0, 9, 294, 161), kBlue));
  EXPECT_TRUE(filled(d, QRect(0, 170, 294, 9), kWhite));
}

TEST(ChartCanvas, TilesFromTheTopLeftAndCutsAtTheEdges) {
  // 200 x 100, blue with a red top-left 10 x 10 and a black bottom-right pixel.
  QImage tile = solidImage({200, 100}, kBlue);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) tile.setPixel(x, y, kRed);
  }
  tile.setPixel(199, 99, kBlack);
  ChartCanvas canvas(kEnlargedCanvas, PictureLayout::Tiled);
  setCanvasPicture(canvas, pngBytes(tile));
  const QImage& d = canvas.drawing();
  ASSERT_EQ(d.size(), QSize(543, 298));
  for (int y : {0, 100, 200}) {
    for (int x : {0, 200, 400}) {
      EXPECT_TRUE(filled(d, QRect(x, y, 10, 10), kRed)) << x << "," << y;
    }
  }
  EXPECT_EQ(d.pixel(199, 99), kBlack);
  EXPECT_EQ(d.pixel(399, 199), kBlack);
  EXPECT_EQ(d.pixel(542, 297), kBlue);  // the third copy is cut at 143 x 98
  EXPECT_EQ(d.pixel(10, 10), kBlue);

  // The service's own chart is cut by two pixels, not scaled.
  QImage chart = solidImage(kEnlargedCanvas, kBlue);
  chart.setPixel(542, 297, kRed);
  chart.setPixel(543, 297, kBlack);
  setCanvasPicture(canvas, pngBytes(chart));
  EXPECT_EQ(canvas.drawing().pixel(542, 297), kRed);
  EXPECT_EQ(canvas.drawing().pixel(541, 297), kBlue);
}

TEST(ChartCanvas, PaintsABlackBorderAroundTheKeptDrawing) {
  ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
  setCanvasPicture(canvas, pngBytes(solidImage({294, 179}, kBlue)));
  const QImage shown = canvas.grab().toImage();
  ASSERT_EQ(shown.size(), kChartCanvas);
  EXPECT_TRUE(filled(shown, QRect(0, 0, 296, 1), kBlack));
  EXPECT_TRUE(filled(shown, QRect(0, 180, 296, 1), kBlack));
  EXPECT_TRUE(filled(shown, QRect(0, 0, 1, 181), kBlack));
  EXPECT_TRUE(filled(shown, QRect(295, 0, 1, 181), kBlack));
  EXPECT_TRUE(filled(shown, QRect(1, 1, 294, 179), kBlue));
}

TEST(ChartCanvas, ReportsADoubleClick) {
  ChartCanvas canvas(kChartCanvas, PictureLayout::CentredFit);
  QSignalSpy spy(&canvas, &ChartCanvas::doubleClicked);
  QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
  EXPECT_EQ(spy.count(), 1);
}

}  // namespace
}  // namespace brindlow
