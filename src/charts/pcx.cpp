#include "charts/pcx.h"

#include <algorithm>
#include <array>

namespace brindlow {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 768;
constexpr std::uint8_t kPaletteMarker = 0x0C;

std::uint16_t readLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// Run-length decoder over [pos, end). A run may cross the end of a scan line
// (many writers do that), so the state of an unfinished run is carried over.
class RleReader {
 public:
  RleReader(const std::uint8_t* begin, const std::uint8_t* end) : pos_(begin), end_(end) {}

  // Fills `out` completely; false when the data ends first.
  bool read(std::uint8_t* out, std::size_t count) {
    while (count > 0) {
      if (runLeft_ == 0) {
        if (pos_ == end_) return false;
        const std::uint8_t b = *pos_++;
        if ((b & 0xC0) == 0xC0) {
          if (pos_ == end_) return false;
          runLeft_ = b & 0x3F;  // a run of 0 is allowed and yields nothing
          runValue_ = *pos_++;
          continue;
        }
        *out++ = b;
        --count;
        continue;
      }
      const std::size_t n = std::min<std::size_t>(runLeft_, count);
      std::fill_n(out, n, runValue_);
      out += n;
      count -= n;
      runLeft_ -= n;
    }
    return true;
  }

 private:
  const std::uint8_t* pos_;
  const std::uint8_t* end_;
  std::size_t runLeft_ = 0;
  std::uint8_t runValue_ = 0;
};

}  // namespace

std::optional<PcxImage> decodePcx(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kHeaderSize) return std::nullopt;
  if (data[0] != 0x0A || data[2] != 1) return std::nullopt;  // maker, RLE encoding
  const int version = data[1];
  const int bitsPerPixel = data[3];
  const int xMin = readLe16(data + 4);
  const int yMin = readLe16(data + 6);
  const int xMax = readLe16(data + 8);
  const int yMax = readLe16(data + 10);
  const int planes = data[65];
  const std::size_t bytesPerLine = readLe16(data + 66);

  if (xMax < xMin || yMax < yMin) return std::nullopt;
  const int width = xMax - xMin + 1;
  const int height = yMax - yMin + 1;
  if (width > kPcxMaxSide || height > kPcxMaxSide || std::int64_t{width} * height > kPcxMaxPixels) {
    return std::nullopt;
  }

  enum class Kind { Palette8, Rgb8, Mono };
  Kind kind;
  if (bitsPerPixel == 8 && planes == 1 && version <= 5) {
    kind = Kind::Palette8;
  } else if (bitsPerPixel == 8 && planes == 3 && version <= 5) {
    kind = Kind::Rgb8;
  } else if (bitsPerPixel == 1 && planes == 1) {
    kind = Kind::Mono;
  } else {
    return std::nullopt;
  }

  const std::size_t needed = kind == Kind::Mono ? (static_cast<std::size_t>(width) + 7) / 8
                                                : static_cast<std::size_t>(width);
  if (bytesPerLine < needed) return std::nullopt;

  const std::uint8_t* imageEnd = data + size;
  std::array<std::uint32_t, 256> palette{};
  if (kind == Kind::Palette8) {
    // The palette is the last 769 bytes: the marker 0x0C and 256 RGB triples.
    if (size < kHeaderSize + 1 + kPaletteSize) return std::nullopt;
    const std::uint8_t* marker = data + size - kPaletteSize - 1;
    if (*marker != kPaletteMarker) return std::nullopt;
    for (std::size_t i = 0; i < palette.size(); ++i) {
      const std::uint8_t* rgb = marker + 1 + 3 * i;
      palette[i] = opaque(rgb[0], rgb[1], rgb[2]);
    }
    imageEnd = marker;
  } else if (kind == Kind::Mono) {
    palette[0] = opaque(0, 0, 0);
    palette[1] = opaque(255, 255, 255);
  }

  // Each data byte yields at most 63 image bytes; a header that promises more
  // than the data can hold is refused before anything large is allocated.
  const std::size_t lineBytes = bytesPerLine * static_cast<std::size_t>(planes);
  const std::size_t dataBytes = static_cast<std::size_t>(imageEnd - (data + kHeaderSize));
  if (lineBytes * static_cast<std::size_t>(height) > dataBytes * 63) return std::nullopt;

  PcxImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::vector<std::uint8_t> line(lineBytes);
  RleReader rle(data + kHeaderSize, imageEnd);

  for (int y = 0; y < height; ++y) {
    if (!rle.read(line.data(), line.size())) return std::nullopt;
    std::uint32_t* row = image.pixels.data() + static_cast<std::size_t>(y) * width;
    switch (kind) {
      case Kind::Palette8:
        for (int x = 0; x < width; ++x) row[x] = palette[line[x]];
        break;
      case Kind::Rgb8: {
        const std::uint8_t* r = line.data();
        const std::uint8_t* g = r + bytesPerLine;
        const std::uint8_t* b = g + bytesPerLine;
        for (int x = 0; x < width; ++x) row[x] = opaque(r[x], g[x], b[x]);
        break;
      }
      case Kind::Mono:
        for (int x = 0; x < width; ++x) row[x] = palette[(line[x / 8] >> (7 - x % 8)) & 1];
        break;
    }
  }
  return image;
}

}  // namespace brindlow
