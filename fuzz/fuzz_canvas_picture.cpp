// Recognising and decoding canvas pictures. Only recognised kinds decode; a
// PCX decodes exactly as the PCX decoder reads it; and whatever Qt's readers
// make of the bytes, nothing crashes.

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "charts/canvas_picture.h"
#include "charts/pcx.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The readers need no window system; the offscreen platform keeps it so.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "fuzz_canvas_picture";
  static char* argv[] = {name, nullptr};
  static QGuiApplication application(argc, argv);
  // Loads every image format plugin now rather than inside the first input,
  // where its lasting allocations would look like a leak of that input.
  (void)QImageReader::supportedImageFormats();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brindlow::Bytes bytes(data, data + size);
  const brindlow::PictureKind kind = brindlow::recognisePicture(bytes);
  const QImage image = brindlow::decodePicture(bytes);
  if (size < brindlow::kPictureMinimumBytes) FUZZ_CHECK(kind == brindlow::PictureKind::None);
  if (kind == brindlow::PictureKind::None) FUZZ_CHECK(image.isNull());
  if (!image.isNull()) FUZZ_CHECK(image.width() > 0 && image.height() > 0);

  if (kind == brindlow::PictureKind::Pcx8 || kind == brindlow::PictureKind::Pcx1) {
    const std::optional<brindlow::PcxImage> pcx = brindlow::decodePcx(data, size);
    FUZZ_CHECK(pcx.has_value() != image.isNull());
    if (pcx) {
      FUZZ_CHECK(image.width() == pcx->width && image.height() == pcx->height);
      for (int y = 0; y < pcx->height; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < pcx->width; ++x) {
          FUZZ_CHECK(line[x] == pcx->pixels[static_cast<std::size_t>(y) * pcx->width + x]);
        }
      }
    }
  }
  return 0;
}
