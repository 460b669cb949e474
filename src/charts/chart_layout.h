#pragma once
// Where a canvas draws its picture: the two layouts of the chart canvases,
// as plain functions of the image size and the drawing area's size.

#include <QRect>
#include <QSize>
#include <vector>

namespace brindlow {

// Centred-fit: an image that fits is drawn at its own size, centred; one that
// does not is shrunk, keeping its proportions, to fit the drawing area (never
// enlarged). Returns the target rectangle in drawing-area coordinates; empty
// for an empty image or area.
QRect centredFitLayout(QSize image, QSize area);

// Tiled: the image at its own size from the top-left corner, repeated right and
// down until the area is covered. Returns the tiles' target rectangles in
// drawing-area coordinates, row by row, the last column and row clipped at the
// area's edges; each tile shows the top-left part of the image of its size.
std::vector<QRect> tiledLayout(QSize image, QSize area);

}  // namespace brindlow
