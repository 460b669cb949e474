#pragma once
// Reading the picture fixtures of tests/data/charts.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/values/text.h"

namespace brindlow::testing {

inline Bytes readChartFixture(const std::string& name) {
  std::ifstream in(std::string(BRINDLOW_TEST_DATA_DIR) + "/charts/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The image as the bytes of a PNG file.
inline Bytes pngBytes(const QImage& image) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return Bytes(data.begin(), data.end());
}

// A picture of one colour.
inline QImage solidImage(QSize size, QRgb colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

}  // namespace brindlow::testing
