// The code page at the Qt boundary: Windows-1250 texts of the core as QString and back.
#pragma once

#include <QString>
#include <string>

#include "platform/codepage.h"

namespace prenos {

inline QString FromCp1250(const std::string& cp1250) {
  return QString::fromStdString(Cp1250ToUtf8(cp1250));
}

// A character the code page lacks becomes '?'.
inline std::string ToCp1250(const QString& text) { return Utf8ToCp1250(text.toStdString()); }

}  // namespace prenos
