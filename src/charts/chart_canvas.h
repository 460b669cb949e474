#pragma once
// A chart canvas: a fixed-size drawing surface with a one-pixel single-line
// border and a white background that shows one picture, held as the raw
// bytes of its image file. The drawing is kept in memory and repainted from
// there, so a repaint never decodes again.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "shell/values/text.h"

namespace brindlow {

enum class PictureLayout { CentredFit, Tiled };

class ChartCanvas : public QWidget {
  Q_OBJECT
 public:
  // size includes the border; the drawing area is two pixels smaller each way.
  ChartCanvas(QSize size, PictureLayout layout, QWidget* parent = nullptr);

  // Stores the bytes and rebuilds the drawing at once: the background, then
  // the decoded picture laid out. Bytes that are not a picture of a known kind
  // or fail to decode are dropped and the canvas shows its plain background.
  void setPicture(const Bytes& bytes);
  // The stored bytes exactly as set; empty when the canvas has no picture.
  const Bytes& picture() const { return picture_; }

  PictureLayout pictureLayout() const { return layout_; }
  // The kept drawing of the drawing area.
  const QImage& drawing() const { return drawing_; }
  // The drawing area in widget coordinates (inside the border).
  QRect drawingArea() const;

  static constexpr QRgb kBackground = 0xFFFFFFFF;
  static constexpr QRgb kBorder = 0xFF000000;

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void rebuildDrawing(const QImage& decoded);

  PictureLayout layout_;
  Bytes picture_;
  QImage drawing_;
};

// The canvas operations under the names the rest of the program uses.
void setCanvasPicture(ChartCanvas& canvas, const Bytes& bytes);
Bytes canvasPicture(const ChartCanvas& canvas);

}  // namespace brindlow
