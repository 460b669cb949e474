// The PCX decoder against a plain reading of the format: the run-length
// stream expanded in one go (runs may cross scan lines), then planes and bits
// mapped to pixels. Both must agree on whether the file decodes and on every
// pixel.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "charts/pcx.h"
#include "fuzz_check.h"

namespace {

using brindlow::PcxImage;

std::uint32_t opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

int le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

std::optional<PcxImage> expectedPcx(const std::uint8_t* data, std::size_t size) {
  if (size < 128 || data[0] != 0x0A || data[2] != 1) return std::nullopt;
  const int version = data[1];
  const int bits = data[3];
  const int planes = data[65];
  const std::size_t bytesPerLine = static_cast<std::size_t>(le16(data + 66));
  const int xMin = le16(data + 4);
  const int yMin = le16(data + 6);
  const int xMax = le16(data + 8);
  const int yMax = le16(data + 10);
  if (xMax < xMin || yMax < yMin) return std::nullopt;
  const int width = xMax - xMin + 1;
  const int height = yMax - yMin + 1;
  if (width > brindlow::kPcxMaxSide || height > brindlow::kPcxMaxSide ||
      std::int64_t{width} * height > brindlow::kPcxMaxPixels) {
    return std::nullopt;
  }
  const bool palette8 = bits == 8 && planes == 1 && version <= 5;
  const bool rgb8 = bits == 8 && planes == 3 && version <= 5;
  const bool mono = bits == 1 && planes == 1;
  if (!palette8 && !rgb8 && !mono) return std::nullopt;
  const std::size_t needed = mono ? (static_cast<std::size_t>(width) + 7) / 8 : width;
  if (bytesPerLine < needed) return std::nullopt;

  std::size_t end = size;
  if (palette8) {
    if (size < 128 + 769 || data[size - 769] != 0x0C) return std::nullopt;
    end = size - 769;
  }
  const std::size_t lineBytes = bytesPerLine * static_cast<std::size_t>(planes);
  const std::size_t total = lineBytes * static_cast<std::size_t>(height);
  // No data byte gives more than 63 image bytes.
  if (total > (end - 128) * 63) return std::nullopt;
  std::vector<std::uint8_t> expanded;
  expanded.reserve(total);
  for (std::size_t p = 128; expanded.size() < total;) {
    if (p >= end) return std::nullopt;
    const std::uint8_t b = data[p++];
    if ((b & 0xC0) == 0xC0) {
      if (p >= end) return std::nullopt;
      const std::uint8_t value = data[p++];
      for (int i = 0; i < (b & 0x3F) && expanded.size() < total; ++i) expanded.push_back(value);
    } else {
      expanded.push_back(b);
    }
  }

  PcxImage image;
  image.width = width;
  image.height = height;
  image.pixels.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* line = expanded.data() + static_cast<std::size_t>(y) * lineBytes;
    for (int x = 0; x < width; ++x) {
      if (palette8) {
        const std::uint8_t* rgb = data + size - 768 + 3 * line[x];
        image.pixels.push_back(opaque(rgb[0], rgb[1], rgb[2]));
      } else if (rgb8) {
        image.pixels.push_back(opaque(line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]));
      } else {
        const bool white = ((line[x / 8] >> (7 - x % 8)) & 1) != 0;
        image.pixels.push_back(white ? 0xFFFFFFFFu : 0xFF000000u);
      }
    }
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<PcxImage> image = brindlow::decodePcx(data, size);
  const std::optional<PcxImage> expected = expectedPcx(data, size);
  FUZZ_CHECK(image.has_value() == expected.has_value());
  if (!image) return 0;
  FUZZ_CHECK(image->width == expected->width && image->height == expected->height);
  FUZZ_CHECK(image->pixels == expected->pixels);
  return 0;
}
