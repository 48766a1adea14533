// Re-decoding of a page that declares a charset other than the two names of code page 936,
// on ICU. Runs on the thread of HttpRequest, with that call's RegexObject.
#pragma once

#include <string_view>

#include "regex/regex_object.h"
#include "textcore/text.h"

namespace qoravel {

// Looks for "<meta ... charset=NAME" in the first 1024 bytes of pageText; when NAME is neither
// "gbk" nor "gb2312" (exact), pageText becomes the body decoded from NAME. Runs the message pump
// once when the pattern could be run. body is read before pageText changes, so it may be a view
// of pageText itself.
void ConvertPageCharset(RegexObject& regex, Text& pageText, std::string_view body);

// The bytes read in the named charset (any name or alias ICU knows, case-insensitive), as code
// page 936 text up to its first NUL; empty when ICU knows no such charset. A leading byte-order
// mark is dropped.
[[nodiscard]] Text DecodeCharset(std::string_view bytes, const Text& charset);

}  // namespace qoravel
