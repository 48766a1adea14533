// Percent-encoding of a text for the query of an address.
#pragma once

#include "textcore/text.h"

namespace qoravel {

// Every byte becomes "%XX" (capital digits) unless keepSafeChars keeps - . 0-9 A-Z a-z as they are;
// asUtf8 encodes the bytes of the text's UTF-8 form instead of its code page 936 bytes.
[[nodiscard]] Text UrlEncode(const Text& text, bool keepSafeChars = false, bool asUtf8 = false);

}  // namespace qoravel
