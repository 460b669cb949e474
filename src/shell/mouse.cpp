#include "shell/mouse.h"

#include <QCursor>

namespace brindlow {

namespace {
std::optional<QPoint>& pinned() {
  static std::optional<QPoint> position;
  return position;
}
}  // namespace

void setMousePositionOverride(std::optional<QPoint> position) { pinned() = position; }

QPoint mousePosition() { return pinned() ? *pinned() : QCursor::pos(); }

}  // namespace brindlow
