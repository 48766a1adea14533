// UrlEncode: every byte comes out as itself (a safe character, when asked for) or as "%" and two
// capital hex digits, and decoding the result gives back the encoded bytes (the text's own, or
// its UTF-8 form).
// Input: flags (1 keepSafeChars, 2 asUtf8), text.
#include "fuzz_input.h"
#include "textcore/codepage.h"
#include "textcore/url_encode.h"

namespace {

bool IsSafe(char c) {
  return c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // small letters are not used
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const bool keepSafeChars = flags & 1;
  const bool asUtf8 = flags & 2;
  const Text text = input.NextText();
  const Text encoded = UrlEncode(text, keepSafeChars, asUtf8);
  const Text expected = asUtf8 ? GbkToUtf8(text) : text;
  Text decoded;
  for (std::size_t i = 0; i < encoded.size();) {
    if (encoded[i] != '%') {
      FUZZ_CHECK(keepSafeChars && IsSafe(encoded[i]));
      decoded.push_back(encoded[i++]);
      continue;
    }
    FUZZ_CHECK(i + 2 < encoded.size());
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    const char byte = static_cast<char>(high << 4 | low);
    FUZZ_CHECK(!(keepSafeChars && IsSafe(byte)));  // a safe character is never encoded
    decoded.push_back(byte);
    i += 3;
  }
  FUZZ_CHECK(decoded == expected);
  return 0;
}
