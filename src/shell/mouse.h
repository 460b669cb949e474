#pragma once

#include <optional>

#include <QPoint>

namespace brindlow {

// The mouse cursor in screen coordinates.
QPoint mousePosition();

// Test seam: pins the position that mousePosition() reports; nullopt releases it.
void setMousePositionOverride(std::optional<QPoint> position);

}  // namespace brindlow
