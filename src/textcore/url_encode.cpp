#include "textcore/url_encode.h"

#include "textcore/codepage.h"

namespace qoravel {
namespace {

// The characters copied as they are when asked for: "-", ".", digits and ASCII letters.
bool IsSafeCharacter(unsigned char byte) {
  return byte == '-' || byte == '.' || (byte >= '0' && byte <= '9') ||
         (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

}  // namespace

Text UrlEncode(const Text& text, bool keepSafeChars, bool asUtf8) {
  if (text.empty()) return {};
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  const Text bytes = asUtf8 ? GbkToUtf8(text) : text;
  Text result;
  result.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (keepSafeChars && IsSafeCharacter(byte)) {
      result.push_back(c);
    } else {
      result.push_back('%');
      result.push_back(kHexDigits[byte >> 4]);
      result.push_back(kHexDigits[byte & 0x0F]);
    }
  }
  return result;
}

}  // namespace qoravel
