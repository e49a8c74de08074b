#pragma once
// Texts between code page 936 and Qt's strings; line breaks between CR LF and Qt's LF.

#include <QString>

#include "common/text.h"

namespace lc::platform {

QString to_qstring(TextView text);
Text from_qstring(const QString& text);

// CR LF (and a lone CR) as Qt's line feed, and back.
QString with_qt_line_breaks(QString text);
QString with_crlf_line_breaks(QString text);

}  // namespace lc::platform
