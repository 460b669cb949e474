#include <gmock/gmock.h>

#include "charts/pcx.h"
#include "fixtures.h"

namespace brindlow {
namespace {

using testing::readChartFixture;

constexpr std::uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

Bytes header(int version, int bits, int xMin, int yMin, int xMax, int yMax, int planes,
             int bytesPerLine) {
  Bytes h(128, 0);
  h[0] = 0x0A;
  h[1] = static_cast<std::uint8_t>(version);
  h[2] = 1;
  h[3] = static_cast<std::uint8_t>(bits);
  auto put16 = [&](std::size_t at, int v) {
    h[at] = static_cast<std::uint8_t>(v & 0xFF);
    h[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  };
  put16(4, xMin);
  put16(6, yMin);
  put16(8, xMax);
  put16(10, yMax);
  h[65] = static_cast<std::uint8_t>(planes);
  put16(66, bytesPerLine);
  return h;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes grayPalette() {
  Bytes p{0x0C};
  for (int i = 0; i < 256; ++i) p.insert(p.end(), 3, static_cast<std::uint8_t>(i));
  return p;
}

std::optional<PcxImage> decode(const Bytes& b) { return decodePcx(b.data(), b.size()); }

TEST(Pcx, DecodesThe8BitFixtureThroughItsWindowPaddingAndRuns) {
  const std::optional<PcxImage> image = decode(readChartFixture("picture8.pcx"));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 4);
  EXPECT_EQ(image->height, 2);
  EXPECT_THAT(image->pixels, ::testing::ElementsAre(0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0A141E,
                                                    kBlack, kBlack, kBlack, 0xFFFF00FF));
}

TEST(Pcx, DecodesThe1BitFixtureWithSetBitsWhite) {
  const std::optional<PcxImage> image = decode(readChartFixture("picture1.pcx"));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 10);
  EXPECT_EQ(image->height, 2);
  const std::uint32_t W = kWhite, B = kBlack;
  EXPECT_THAT(image->pixels, ::testing::ElementsAre(W, B, W, B, W, B, W, B, W, W,  //
                                                    B, B, B, B, B, B, B, B, B, W));
}

TEST(Pcx, DecodesThreePlanesOfRedGreenAndBlue) {
  const Bytes file = concat(header(5, 8, 0, 0, 1, 0, 3, 2), {10, 20, 30, 40, 50, 60});
  const std::optional<PcxImage> image = decode(file);
  ASSERT_TRUE(image);
  EXPECT_THAT(image->pixels, ::testing::ElementsAre(0xFF0A1E32, 0xFF14283C));
}

TEST(Pcx, RunPastTheEndOfTheImageIsCutThere) {
  // 8 x 2 monochrome: a run of 63 white bytes where two are needed.
  const std::optional<PcxImage> image =
      decode(concat(header(3, 1, 0, 0, 7, 1, 1, 1), {0xFF, 0xFF}));
  ASSERT_TRUE(image);
  EXPECT_THAT(image->pixels, ::testing::Each(kWhite));
  EXPECT_EQ(image->pixels.size(), 16u);
}

TEST(Pcx, RefusesBrokenFiles) {
  const Bytes mono8x2 = header(3, 1, 0, 0, 7, 1, 1, 1);
  const Bytes gray2x1 = header(5, 8, 0, 0, 1, 0, 1, 2);
  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
      {"empty", {}},
      {"header only", mono8x2},
      {"data one line short", concat(mono8x2, {0x55})},
      {"run count as the last byte", concat(mono8x2, {0x55, 0xC1})},
      {"8-bit without the palette", concat(gray2x1, {1, 2})},
      {"palette marker missing", [&] {
         Bytes f = concat(concat(gray2x1, {1, 2}), grayPalette());
         f[f.size() - 769] = 0x0B;
         return f;
       }()},
      {"palette cut short", [&] {
         Bytes f = concat(concat(gray2x1, {1, 2}), grayPalette());
         f.pop_back();
         return f;
       }()},
      {"line shorter than the width", concat(header(3, 1, 0, 0, 8, 0, 1, 1), {0, 0, 0})},
      {"window upside down", concat(header(3, 1, 5, 0, 4, 0, 1, 1), {0})},
      {"wider than the cap", concat(header(3, 1, 0, 0, 65535, 0, 1, 8192), Bytes(100, 0xFF))},
      {"more pixels than the cap", concat(header(3, 1, 0, 0, 4095, 4096, 1, 512), Bytes(64, 0xFF))},
      {"far more data promised than given",
       concat(header(5, 8, 0, 0, 4095, 4095, 1, 4096), concat({0xFF, 0x00}, grayPalette()))},
      {"four planes of 1 bit", concat(header(3, 1, 0, 0, 7, 0, 4, 1), {0, 0, 0, 0})},
      {"4 bits per pixel", concat(header(3, 4, 0, 0, 1, 0, 1, 1), {0})},
      {"not RLE encoded", [&] {
         Bytes f = concat(mono8x2, {0, 0});
         f[2] = 0;
         return f;
       }()},
  };
  for (const Case& c : cases) EXPECT_FALSE(decode(c.file)) << c.what;
}

TEST(Pcx, EveryCutShortFixtureIsRefused) {
  for (const char* name : {"picture8.pcx", "picture1.pcx"}) {
    const Bytes full = readChartFixture(name);
    ASSERT_TRUE(decode(full)) << name;
    for (std::size_t n = 0; n < full.size(); ++n) {
      const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_FALSE(decode(cut)) << name << " cut to " << n;
    }
  }
}

TEST(Pcx, SurvivesMangledInput) {
  // Random damage to the fixtures: whatever the result, nothing is read or
  // written out of bounds (the sanitizers watch) and a picture is whole.
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (const char* name : {"picture8.pcx", "picture1.pcx"}) {
    const Bytes original = readChartFixture(name);
    for (int round = 0; round < 3000; ++round) {
      Bytes file = original;
      const int hits = 1 + static_cast<int>(next() % 6);
      for (int i = 0; i < hits; ++i) {
        // Mostly the header and the first data bytes, where the sizes live.
        const std::size_t at = next() % std::min<std::size_t>(file.size(), 160);
        file[at] = static_cast<std::uint8_t>(next() >> 24);
      }
      if (next() % 4 == 0) file.resize(next() % (file.size() + 1));
      const std::optional<PcxImage> image = decode(file);
      if (image) {
        EXPECT_EQ(image->pixels.size(), static_cast<std::size_t>(image->width) * image->height);
      }
    }
  }
}

}  // namespace
}  // namespace brindlow
