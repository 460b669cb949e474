#include "shell/application.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

namespace brindlow {

void setUpApplication(QApplication& app) {
  app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // A 9-point GUI font at 96 dpi; the fixed control sizes are laid out for it.
  QFont font;
  font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"),
                    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("DejaVu Sans")});
  font.setPixelSize(12);
  app.setFont(font);
  app.setQuitOnLastWindowClosed(true);
}

}  // namespace brindlow
