#include "platform/linux/qt_text.h"

#include "platform/text_encodings.h"

namespace lc::platform {

QString to_qstring(TextView text) {
  return QString::fromStdU16String(cp936_to_utf16(text));
}

Text from_qstring(const QString& text) {
  return utf16_to_cp936(text.toStdU16String());
}

QString with_qt_line_breaks(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

QString with_crlf_line_breaks(QString text) {
  // QPlainTextEdit hands paragraphs out with U+2029 in some paths; both mean a new line.
  return text.replace(QChar(0x2029), u'\n').replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

}  // namespace lc::platform
