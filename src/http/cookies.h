// The merge of the cookies a response set into the caller's cookie text, and its helpers.
// Cookie text: entries "name=value" joined by "; ". No shared state: callable on any thread.
#pragma once

#include "textcore/text.h"

namespace qoravel {

// Strips the blanks from both texts (written back), then puts the new cookies first and the old
// ones whose names the response did not set after them; drops entries ending in "=deleted" and
// repeated entries. The result is also stored in cookies.
Text MergeCookies(Text& cookies, Text& newCookies);

// The trimmed text before the first "=", or the whole trimmed entry when it has none.
[[nodiscard]] Text CookieName(const Text& entry);
// True when some entry's CookieName equals name exactly.
[[nodiscard]] bool HasCookieNamed(const TextArray& entries, const Text& name);
// The parts of text between separators, each repeated part kept at its first place only.
[[nodiscard]] Text JoinUnique(const Text& text, const Text& separator);
// The 1-based index of the first entry equal to text, -1 when there is none.
[[nodiscard]] int IndexOfText(const TextArray& entries, const Text& text);

}  // namespace qoravel
