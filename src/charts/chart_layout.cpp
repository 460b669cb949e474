#include "charts/chart_layout.h"

#include <algorithm>
#include <cstdint>

namespace brindlow {

QRect centredFitLayout(QSize image, QSize area) {
  const std::int64_t l = image.width(), h = image.height();
  const std::int64_t d = area.width(), g = area.height();
  if (l <= 0 || h <= 0 || d <= 0 || g <= 0) return {};

  std::int64_t left = l <= d ? (d - l) / 2 : 0;
  std::int64_t top = h <= g ? (g - h) / 2 : 0;
  std::int64_t width = l, height = h;
  if (l > d || h > g) {
    // The room in each direction: the area, or the image itself where it fits.
    const std::int64_t roomWidth = l <= d ? l : d;
    const std::int64_t roomHeight = h <= g ? h : g;
    // Factor t = min(roomWidth / l, roomHeight / h), worked in whole numbers
    // so that the side that limits comes out exact and the other truncates.
    if (roomWidth * h <= roomHeight * l) {
      width = roomWidth;
      height = h * roomWidth / l;
    } else {
      height = roomHeight;
      width = l * roomHeight / h;
    }
    left += (roomWidth - width) / 2;
    top += (roomHeight - height) / 2;
  }
  return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
               static_cast<int>(height));
}

std::vector<QRect> tiledLayout(QSize image, QSize area) {
  std::vector<QRect> tiles;
  if (image.isEmpty() || area.isEmpty()) return tiles;
  const int columns = (area.width() + image.width() - 1) / image.width();
  const int rows = (area.height() + image.height() - 1) / image.height();
  tiles.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  for (int y = 0; y < area.height(); y += image.height()) {
    const int height = std::min(image.height(), area.height() - y);
    for (int x = 0; x < area.width(); x += image.width()) {
      tiles.emplace_back(x, y, std::min(image.width(), area.width() - x), height);
    }
  }
  return tiles;
}

}  // namespace brindlow
