#include <gmock/gmock.h>

#include "charts/canvas_picture.h"
#include "fixtures.h"

namespace brindlow {
namespace {

using testing::readChartFixture;

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000, kMagenta = 0xFFFF00FF;

Bytes left(const Bytes& b, std::size_t n) {
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(CanvasPicture, EachKindOfTheTableDecodes) {
  struct Case {
    const char* file;
    PictureKind kind;
    QSize size;
    QRgb topLeft, bottomRight;
  };
  const Case cases[] = {
      {"picture.gif", PictureKind::Gif, {4, 2}, kRed, kMagenta},
      {"picture87.gif", PictureKind::Gif, {4, 2}, kRed, kMagenta},
      {"two_frames.gif", PictureKind::Gif, {4, 2}, kRed, kRed},  // the first image only
      {"picture.png", PictureKind::Png, {4, 2}, kRed, kMagenta},
      {"picture.bmp", PictureKind::Bmp, {4, 2}, kRed, kMagenta},
      {"picture.ico", PictureKind::Icon, {4, 2}, kRed, kMagenta},
      {"picture.cur", PictureKind::Cursor, {4, 2}, kRed, kMagenta},
      {"picture8.pcx", PictureKind::Pcx8, {4, 2}, kRed, kMagenta},
      {"picture1.pcx", PictureKind::Pcx1, {10, 2}, kWhite, kWhite},
  };
  for (const Case& c : cases) {
    const Bytes bytes = readChartFixture(c.file);
    EXPECT_EQ(recognisePicture(bytes), c.kind) << c.file;
    const QImage image = decodePicture(bytes);
    ASSERT_FALSE(image.isNull()) << c.file;
    EXPECT_EQ(image.size(), c.size) << c.file;
    EXPECT_EQ(image.pixel(0, 0), c.topLeft) << c.file;
    EXPECT_EQ(image.pixel(c.size.width() - 1, c.size.height() - 1), c.bottomRight) << c.file;
  }
  const QImage gif = decodePicture(readChartFixture("picture.gif"));
  EXPECT_EQ(gif.pixel(1, 0), kGreen);
  EXPECT_EQ(gif.pixel(2, 0), kBlue);
  EXPECT_EQ(gif.pixel(0, 1), kBlack);
}

TEST(CanvasPicture, JpegDecodesNearItsColour) {
  const Bytes bytes = readChartFixture("red.jpg");
  EXPECT_EQ(recognisePicture(bytes), PictureKind::Jpeg);
  const QImage image = decodePicture(bytes);
  ASSERT_EQ(image.size(), QSize(16, 16));
  const QColor c = image.pixelColor(8, 8);
  EXPECT_GT(c.red(), 240);
  EXPECT_LT(c.green(), 16);
  EXPECT_LT(c.blue(), 16);
}

TEST(CanvasPicture, ShortUnknownAndBrokenBytesAreNoPicture) {
  const Bytes gif = readChartFixture("picture.gif");
  Bytes iconWithoutImages = readChartFixture("picture.ico");
  iconWithoutImages[4] = 0;
  Bytes cursorWithoutImages = readChartFixture("picture.cur");
  cursorWithoutImages[4] = 0;
  Bytes pcx1Version5 = readChartFixture("picture1.pcx");
  pcx1Version5[1] = 5;
  Bytes pcx8Version6 = readChartFixture("picture8.pcx");
  pcx8Version6[1] = 6;
  Bytes pngCalledBmp = readChartFixture("picture.png");
  pngCalledBmp[0] = 'B';
  pngCalledBmp[1] = 'M';
  Bytes gifOfUnknownVersion = gif;
  gifOfUnknownVersion[4] = '8';  // "GIF88a"

  struct Case {
    const char* what;
    Bytes bytes;
    PictureKind kind;
  };
  const Case cases[] = {
      {"empty", {}, PictureKind::None},
      {"seven bytes of a GIF", left(gif, 7), PictureKind::None},
      {"an HTML error page", readChartFixture("error_page.html"), PictureKind::None},
      {"icon with no images", iconWithoutImages, PictureKind::None},
      {"cursor with no images", cursorWithoutImages, PictureKind::None},
      {"1-bit PCX other than version 3", pcx1Version5, PictureKind::None},
      {"8-bit PCX of version 6", pcx8Version6, PictureKind::None},
      {"GIF of an unknown version", gifOfUnknownVersion, PictureKind::None},
      // Recognised, but only the reader of the recognised kind may run.
      {"PNG data behind a BMP signature", pngCalledBmp, PictureKind::Bmp},
      {"eight bytes of a GIF", left(gif, 8), PictureKind::Gif},
      {"eight bytes of a PNG", left(readChartFixture("picture.png"), 8), PictureKind::Png},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(recognisePicture(c.bytes), c.kind) << c.what;
    EXPECT_TRUE(decodePicture(c.bytes).isNull()) << c.what;
  }
}

TEST(CanvasPicture, GifCutShortBeforeTheEndOfItsFirstImageIsNoPicture) {
  const Bytes gif = readChartFixture("picture.gif");
  ASSERT_EQ(gif.back(), 0x3B);
  // Up to the image's closing empty block, every cut is refused; Qt alone
  // would draw the part that arrived.
  const std::size_t imageEnd = gif.size() - 1;
  for (std::size_t n = 8; n < imageEnd; ++n) {
    EXPECT_TRUE(decodePicture(left(gif, n)).isNull()) << "cut to " << n;
  }
  // Without only the trailer the first image is complete.
  EXPECT_EQ(decodePicture(left(gif, imageEnd)).size(), QSize(4, 2));
}

}  // namespace
}  // namespace brindlow
