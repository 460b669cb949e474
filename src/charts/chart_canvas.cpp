#include "charts/chart_canvas.h"

#include <QMouseEvent>
#include <QPainter>

#include "charts/canvas_picture.h"
#include "charts/chart_layout.h"

namespace brindlow {

ChartCanvas::ChartCanvas(QSize size, PictureLayout layout, QWidget* parent)
    : QWidget(parent), layout_(layout) {
  setFixedSize(size);
  // Everything is painted from the kept drawing; nothing of the parent shows.
  setAttribute(Qt::WA_OpaquePaintEvent);
  rebuildDrawing({});
}

QRect ChartCanvas::drawingArea() const { return rect().adjusted(1, 1, -1, -1); }

void ChartCanvas::setPicture(const Bytes& bytes) {
  QImage image = decodePicture(bytes);
  if (image.isNull()) {
    picture_.clear();
  } else {
    picture_ = bytes;
  }
  rebuildDrawing(image);
  update();
}

void ChartCanvas::rebuildDrawing(const QImage& decoded) {
  const QSize area = drawingArea().size().expandedTo(QSize(0, 0));
  drawing_ = QImage(area, QImage::Format_RGB32);
  drawing_.fill(kBackground);
  if (decoded.isNull() || drawing_.isNull()) return;

  // Converted once into a format the painter blends directly; a palette image
  // would otherwise be converted again for every tile.
  const QImage image = decoded.convertToFormat(
      decoded.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  QPainter painter(&drawing_);
  if (layout_ == PictureLayout::CentredFit) {
    const QRect target = centredFitLayout(image.size(), area);
    if (target.isEmpty()) return;
    if (target.size() == image.size()) {
      painter.drawImage(target.topLeft(), image);
    } else {
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.drawImage(target, image);
    }
  } else {
    for (const QRect& tile : tiledLayout(image.size(), area)) {
      painter.drawImage(tile.topLeft(), image, QRect(QPoint(0, 0), tile.size()));
    }
  }
}

void ChartCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QColor::fromRgb(kBorder));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.drawImage(drawingArea().topLeft(), drawing_);
}

void ChartCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

void setCanvasPicture(ChartCanvas& canvas, const Bytes& bytes) { canvas.setPicture(bytes); }

Bytes canvasPicture(const ChartCanvas& canvas) { return canvas.picture(); }

}  // namespace brindlow
