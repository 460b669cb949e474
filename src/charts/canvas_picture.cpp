#include "charts/canvas_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstring>

#include "charts/pcx.h"

namespace brindlow {

namespace {

bool startsWith(const Bytes& bytes, std::initializer_list<std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::uint16_t readLe16(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Walks a GIF's blocks up to the end of its first image's data. Qt's reader
// shows whatever part of an image arrived, so a picture cut short in transit
// would otherwise appear half drawn.
bool gifFirstImageComplete(const Bytes& bytes) {
  const std::size_t size = bytes.size();
  std::size_t p = 13;  // signature and logical screen descriptor
  if (size < p) return false;
  auto colourTable = [](std::uint8_t flags) -> std::size_t {
    return (flags & 0x80) ? 3u * (std::size_t{1} << ((flags & 0x07) + 1)) : 0;
  };
  // Skips a chain of data sub-blocks up to and including its empty block.
  auto skipSubBlocks = [&]() {
    while (p < size) {
      const std::size_t length = bytes[p++];
      if (length == 0) return true;
      if (size - p < length) return false;
      p += length;
    }
    return false;
  };
  p += colourTable(bytes[10]);
  while (p < size) {
    const std::uint8_t introducer = bytes[p++];
    if (introducer == 0x21) {  // extension: label, then its sub-blocks
      if (p >= size) return false;
      ++p;
      if (!skipSubBlocks()) return false;
    } else if (introducer == 0x2C) {  // image descriptor
      if (size - p < 9) return false;
      const std::uint8_t flags = bytes[p + 8];
      p += 9;
      const std::size_t table = colourTable(flags);
      if (size - p < table + 1) return false;
      p += table + 1;  // local colour table, LZW minimum code size
      return skipSubBlocks();
    } else {
      return false;  // the trailer before any image, or garbage
    }
  }
  return false;
}

QImage readWithQt(const Bytes& bytes, const char* format) {
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  // Only the named reader may run: never a guess from the content.
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  return reader.read();
}

QImage readPcx(const Bytes& bytes) {
  std::optional<PcxImage> pcx = decodePcx(bytes.data(), bytes.size());
  if (!pcx) return {};
  QImage image(pcx->width, pcx->height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < pcx->height; ++y) {
    std::memcpy(image.scanLine(y), pcx->pixels.data() + static_cast<std::size_t>(y) * pcx->width,
                static_cast<std::size_t>(pcx->width) * sizeof(std::uint32_t));
  }
  return image;
}

}  // namespace

PictureKind recognisePicture(const Bytes& bytes) {
  if (bytes.size() < kPictureMinimumBytes) return PictureKind::None;
  if (startsWith(bytes, {'G', 'I', 'F', '8', '7', 'a'}) ||
      startsWith(bytes, {'G', 'I', 'F', '8', '9', 'a'})) {
    return PictureKind::Gif;
  }
  if (startsWith(bytes, {0xFF, 0xD8})) return PictureKind::Jpeg;
  if (startsWith(bytes, {0x89, 0x50, 0x4E, 0x47})) return PictureKind::Png;
  if (startsWith(bytes, {'B', 'M'})) return PictureKind::Bmp;
  if (startsWith(bytes, {0x00, 0x00, 0x01, 0x00}) && readLe16(bytes, 4) != 0) {
    return PictureKind::Icon;
  }
  if (startsWith(bytes, {0x00, 0x00, 0x02, 0x00}) && readLe16(bytes, 4) != 0) {
    return PictureKind::Cursor;
  }
  if (bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] == 0x01 && bytes[3] == 0x08) {
    return PictureKind::Pcx8;
  }
  if (startsWith(bytes, {0x0A, 0x03, 0x01, 0x01})) return PictureKind::Pcx1;
  return PictureKind::None;
}

QImage decodePicture(const Bytes& bytes) {
  switch (recognisePicture(bytes)) {
    case PictureKind::None:
      return {};
    case PictureKind::Gif:
      if (!gifFirstImageComplete(bytes)) return {};
      return readWithQt(bytes, "gif");
    case PictureKind::Jpeg:
      return readWithQt(bytes, "jpeg");
    case PictureKind::Png:
      return readWithQt(bytes, "png");
    case PictureKind::Bmp:
      return readWithQt(bytes, "bmp");
    case PictureKind::Icon:
      return readWithQt(bytes, "ico");
    case PictureKind::Cursor:
      return readWithQt(bytes, "cur");
    case PictureKind::Pcx8:
    case PictureKind::Pcx1:
      return readPcx(bytes);
  }
  return {};
}

}  // namespace brindlow
