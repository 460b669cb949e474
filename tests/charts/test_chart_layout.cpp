#include <gmock/gmock.h>

#include "charts/chart_layout.h"

namespace brindlow {
namespace {

const QSize kChartArea(294, 179);
const QSize kEnlargedArea(543, 298);

TEST(CentredFitLayout, PlacesAndShrinksAsTheChartCanvasesDo) {
  struct Case {
    QSize image;
    QSize area;
    QRect expected;
  };
  const Case cases[] = {
      {{294, 179}, kChartArea, {0, 0, 294, 179}},    // exactly the area: unscaled
      {{200, 100}, kChartArea, {47, 39, 200, 100}},  // fits: centred, never enlarged
      {{545, 300}, kChartArea, {0, 9, 294, 161}},    // the service's chart: width limits
      {{201, 101}, kChartArea, {46, 39, 201, 101}},  // odd remainders drop the half pixel
      {{1, 1}, kChartArea, {146, 89, 1, 1}},
      {{100, 400}, kChartArea, {125, 0, 44, 179}},  // height limits: 100 * 179 / 400 = 44.75
      // Too wide only: the height fits and keeps its own room, the shrunk
      // height is centred within it below the first offset.
      {{588, 100}, kChartArea, {0, 39 + 25, 294, 50}},
      {{294, 358}, kChartArea, {73, 0, 147, 179}},  // too tall only, exact half
      {{10000, 1}, kChartArea, {0, 89, 294, 0}},    // shrinks to nothing: drawn as nothing
      {{0, 10}, kChartArea, {}},
      {{10, 10}, {0, 0}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(centredFitLayout(c.image, c.area), c.expected)
        << c.image.width() << " x " << c.image.height();
  }
}

TEST(TiledLayout, RepeatsFromTheTopLeftAndClipsTheLastRowAndColumn) {
  const std::vector<QRect> tiles = tiledLayout({200, 100}, kEnlargedArea);
  const std::vector<QRect> expected = {
      {0, 0, 200, 100},   {200, 0, 200, 100},   {400, 0, 143, 100},
      {0, 100, 200, 100}, {200, 100, 200, 100}, {400, 100, 143, 100},
      {0, 200, 200, 98},  {200, 200, 200, 98},  {400, 200, 143, 98},
  };
  EXPECT_EQ(tiles, expected);
}

TEST(TiledLayout, EdgeSizes) {
  // The service's own chart is cut by two pixels right and bottom, not scaled.
  EXPECT_EQ(tiledLayout({545, 300}, kEnlargedArea), std::vector<QRect>{QRect(0, 0, 543, 298)});
  // An exact multiple leaves no clipped tile.
  EXPECT_EQ(tiledLayout({181, 149}, kEnlargedArea).size(), 3u * 2u);
  EXPECT_EQ(tiledLayout({1, 1}, {3, 2}).size(), 6u);
  EXPECT_TRUE(tiledLayout({0, 5}, kEnlargedArea).empty());
  EXPECT_TRUE(tiledLayout({5, 5}, {0, 298}).empty());
}

}  // namespace
}  // namespace brindlow
