#include "sim_chart.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

namespace brindlow::sim {

namespace {

enum Colour : std::uint8_t { White, Black, Grid, Up, Down, PriceLine, AverageLine, Label };

constexpr GifColorType kPalette[8] = {
    {255, 255, 255}, {0, 0, 0},     {214, 214, 214}, {224, 32, 32},
    {16, 150, 48},   {24, 64, 200}, {230, 150, 20},  {90, 90, 90},
};

// Plot areas inside the picture.
constexpr int kLeft = 56;
constexpr int kRight = kChartWidth - 56;
constexpr int kPriceTop = 16;
constexpr int kPriceBottom = 208;
constexpr int kVolumeTop = 218;
constexpr int kVolumeBottom = 282;

class Canvas {
 public:
  Canvas() : pixels_(static_cast<std::size_t>(kChartWidth) * kChartHeight, White) {}

  void set(int x, int y, Colour c) {
    if (x >= 0 && x < kChartWidth && y >= 0 && y < kChartHeight) {
      pixels_[static_cast<std::size_t>(y) * kChartWidth + x] = c;
    }
  }
  void horizontal(int x0, int x1, int y, Colour c, bool dashed = false) {
    for (int x = x0; x <= x1; ++x) {
      if (!dashed || (x / 3) % 2 == 0) set(x, y, c);
    }
  }
  void vertical(int x, int y0, int y1, Colour c, bool dashed = false) {
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) {
      if (!dashed || (y / 3) % 2 == 0) set(x, y, c);
    }
  }
  void line(int x0, int y0, int x1, int y1, Colour c) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    for (int err = dx + dy;;) {
      set(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void text(int x, int y, const std::string& s, Colour c);
  GifPixelType* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * kChartWidth; }

 private:
  std::vector<GifPixelType> pixels_;
};

// A 3 x 5 font for the labels: digits and the few marks they need.
const std::array<std::uint16_t, 5>* glyph(char c) {
  static const std::array<std::uint16_t, 5> digits[10] = {
      {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
      {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};
  static const std::array<std::uint16_t, 5> point{0, 0, 0, 0, 2}, colon{0, 2, 0, 2, 0},
      percent{5, 1, 2, 4, 5}, minus{0, 0, 7, 0, 0}, plus{0, 2, 7, 2, 0}, slash{1, 1, 2, 4, 4},
      s{3, 4, 2, 1, 6}, h{4, 4, 7, 5, 5}, z{7, 1, 2, 4, 7};
  if (c >= '0' && c <= '9') return &digits[c - '0'];
  switch (c) {
    case '.':
      return &point;
    case ':':
      return &colon;
    case '%':
      return &percent;
    case '-':
      return &minus;
    case '+':
      return &plus;
    case '/':
      return &slash;
    case 's':
      return &s;
    case 'h':
      return &h;
    case 'z':
      return &z;
    default:
      return nullptr;
  }
}

void Canvas::text(int x, int y, const std::string& s, Colour c) {
  for (const char ch : s) {
    if (const auto* g = glyph(ch)) {
      for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col) {
          if ((*g)[row] & (4 >> col)) set(x + col, y + row, c);
        }
      }
    }
    x += 4;
  }
}

std::string fixed(double value, int decimals) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

int textWidth(const std::string& s) { return static_cast<int>(s.size()) * 4 - 1; }

int xOfTick(int tick) {
  return kLeft + static_cast<int>(
                     std::lround(static_cast<double>(tick) * (kRight - kLeft) / kSessionTicks));
}

void drawFrame(Canvas& canvas) {
  for (int i = 0; i <= 4; ++i) {
    const int y = kPriceTop + (kPriceBottom - kPriceTop) * i / 4;
    canvas.horizontal(kLeft, kRight, y, Grid, i != 0 && i != 4);
  }
  canvas.horizontal(kLeft, kRight, kVolumeTop, Grid);
  canvas.horizontal(kLeft, kRight, kVolumeBottom, Grid);
  for (int hour = 0; hour <= 4; ++hour) {
    const int x = xOfTick(hour * kSessionTicks / 4);
    const bool edge = hour == 0 || hour == 4;
    canvas.vertical(x, kPriceTop, kPriceBottom, Grid, !edge);
    canvas.vertical(x, kVolumeTop, kVolumeBottom, Grid, !edge);
  }
  const char* times[] = {"09:30", "10:30", "11:30/13:00", "14:00", "15:00"};
  for (int hour = 0; hour <= 4; ++hour) {
    const std::string t = times[hour];
    const int x = xOfTick(hour * kSessionTicks / 4) - textWidth(t) / 2;
    canvas.text(std::clamp(x, 0, kChartWidth - textWidth(t)), kVolumeBottom + 6, t, Label);
  }
}

void drawDay(Canvas& canvas, const SimulatedShare& share, int tick) {
  const Snapshot day = share.at(tick);
  const double base = day.previousClose;
  // Symmetric about the previous close, at least 1 % either way.
  const double span = std::max({std::abs(day.high - base), std::abs(day.low - base), base * 0.01});
  auto yOf = [&](double price) {
    const double unit = (price - (base - span)) / (2 * span);
    return kPriceBottom - static_cast<int>(std::lround(unit * (kPriceBottom - kPriceTop)));
  };

  for (int i = 0; i <= 4; ++i) {
    const double price = base + span * (2 - i) / 2.0;
    const int y = kPriceTop + (kPriceBottom - kPriceTop) * i / 4 - 2;
    const Colour c = i < 2 ? Up : (i > 2 ? Down : Label);
    const std::string p = fixed(price, 2);
    canvas.text(kLeft - 4 - textWidth(p), y, p, c);
    const double percent = (price - base) / base * 100;
    std::string q = percent > 0 ? "+" : "";
    q += fixed(percent, 2);
    q += '%';
    canvas.text(kRight + 4, y, q, c);
  }
  canvas.horizontal(kLeft, kRight, yOf(base), Label, true);
  canvas.text(2, 3, share.code(), Label);

  // Volume bars per minute, then the average and price lines over them.
  std::int64_t maxMinute = 1;
  std::vector<std::int64_t> minutes;
  for (int t = 0; t <= tick; t += 60) {
    const std::int64_t previous = t == 0 ? 0 : share.volumeAt(t - 60);
    minutes.push_back(share.volumeAt(std::min(t + 59, tick)) - previous);
    if (t > 0)
      maxMinute = std::max(maxMinute, minutes.back());  // the auction would flatten the rest
  }
  for (std::size_t m = 0; m < minutes.size(); ++m) {
    const int t = static_cast<int>(m) * 60;
    const double h =
        std::min(1.0, static_cast<double>(minutes[m]) / static_cast<double>(maxMinute));
    const int top = kVolumeBottom - static_cast<int>(h * (kVolumeBottom - kVolumeTop - 2));
    const Colour c = share.priceAt(std::min(t + 59, tick)) >= share.priceAt(t) ? Up : Down;
    canvas.vertical(xOfTick(t), top, kVolumeBottom - 1, c);
  }
  int lastX = xOfTick(0), lastPrice = yOf(share.priceAt(0)), lastAverage = yOf(share.averageAt(0));
  for (int x = kLeft + 1; x <= xOfTick(tick); ++x) {
    const int t = std::min(tick, (x - kLeft) * kSessionTicks / (kRight - kLeft));
    const int price = yOf(share.priceAt(t));
    const int average = yOf(share.averageAt(t));
    canvas.line(lastX, lastAverage, x, average, AverageLine);
    canvas.line(lastX, lastPrice, x, price, PriceLine);
    lastX = x, lastPrice = price, lastAverage = average;
  }
}

int appendOutput(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

}  // namespace

std::vector<std::uint8_t> chartGif(const SimulatedShare* share, int tick) {
  Canvas canvas;
  drawFrame(canvas);
  if (share != nullptr) drawDay(canvas, *share, std::clamp(tick, 0, kSessionTicks));

  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendOutput, &error);
  if (gif == nullptr) return {};
  ColorMapObject* palette = GifMakeMapObject(8, kPalette);
  bool ok = palette != nullptr &&
            EGifPutScreenDesc(gif, kChartWidth, kChartHeight, 8, White, palette) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, kChartWidth, kChartHeight, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < kChartHeight; ++y) {
    ok = EGifPutLine(gif, canvas.row(y), kChartWidth) == GIF_OK;
  }
  GifFreeMapObject(palette);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok ? out : std::vector<std::uint8_t>{};
}

}  // namespace brindlow::sim
