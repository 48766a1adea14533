#include "appshell/qt_text.h"

#include "textcore/codepage.h"

namespace qoravel {

QString ToQString(const Text& text) {
  ByteBuffer utf16 = GbkToUtf16(text, /*dropTerminator=*/true);
  QString result(static_cast<qsizetype>(utf16.size() / 2), Qt::Uninitialized);
  for (qsizetype i = 0; i < result.size(); ++i)
    result[i] = QChar(static_cast<char16_t>(utf16[2 * i] | (utf16[2 * i + 1] << 8)));
  return result;
}

Text FromQString(const QString& text) {
  ByteBuffer utf16;
  utf16.reserve(2 * static_cast<size_t>(text.size()));
  for (QChar unit : text) {
    utf16.push_back(static_cast<std::uint8_t>(unit.unicode() & 0xFF));
    utf16.push_back(static_cast<std::uint8_t>(unit.unicode() >> 8));
  }
  return Utf16ToGbk(utf16);
}

}  // namespace qoravel
