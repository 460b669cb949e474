#pragma once
// Our own reader for the PCX pictures a canvas accepts: 8 bits per pixel
// (one plane with the 256-colour palette at the end of the file, or three
// planes of red, green and blue) and 1 bit per pixel monochrome. No maintained
// library here reads PCX, and the bytes come from the network, so every read
// is bounds-checked and the image size is capped.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brindlow {

struct PcxImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, opaque, row by row from the top
};

// Larger pictures are refused rather than decoded: a canvas is a few hundred
// pixels across, and a hostile header must not make us allocate gigabytes.
inline constexpr int kPcxMaxSide = 16384;
inline constexpr std::int64_t kPcxMaxPixels = std::int64_t{4096} * 4096;

// The decoded picture, or nullopt when the bytes are not a complete PCX file
// of a supported kind (wrong header, image data cut short, palette missing,
// too large).
std::optional<PcxImage> decodePcx(const std::uint8_t* data, std::size_t size);

}  // namespace brindlow
