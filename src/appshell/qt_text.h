// Conversions between the program's code page 936 texts and Qt's UTF-16 strings, through the
// code-page layer. Any thread.
#pragma once

#include <QString>

#include "textcore/text.h"

namespace qoravel {

QString ToQString(const Text& text);
// A character that code page 936 lacks comes back as "?".
Text FromQString(const QString& text);

}  // namespace qoravel
