// The scan of a response's header block into the outputs of HttpRequest, and TextBetween.
// Runs on the thread of HttpRequest and runs the message pump after each header line.
#pragma once

#include "textcore/text.h"

namespace qoravel {

// Fills statusText (from byte 10 of the status line), responseHeaders (the block with every
// "set-cookie" spelled "Set-Cookie"), appends the cookies set by the response to newCookies
// ("a=1; b=2"), takes location from the last "Location: " line, and merges the new cookies
// into cookies when the caller supplied them. headerBlock holds UTF-16LE code units.
void ScanResponseHeaders(const ByteBuffer& headerBlock, Text& statusText, Text& responseHeaders,
                         Text& newCookies, Text& location, Text& cookies, bool cookiesSupplied);

// The text between the first left marker (searched from start) and the first right marker after
// it; empty when either is missing. "#引号" in a marker stands for a double quote.
[[nodiscard]] Text TextBetween(const Text& text, const Text& left, const Text& right, int start = 0,
                               bool ignoreCase = false);

}  // namespace qoravel
