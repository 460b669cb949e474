#include "shell/qt_text.h"

#include "shell/values/codepage.h"

namespace brindlow {

QString toQString(const Text& text) {
  const std::string utf8 = gbkToUtf8(text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text fromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return utf8ToGbk(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

}  // namespace brindlow
