#include "http/cookies.h"

namespace qoravel {
namespace {

const Text kDeletedMark = "=deleted";  // a cookie set to this value removes the old one

}  // namespace

Text MergeCookies(Text& cookies, Text& newCookies) {
  cookies = TextStripSpaces(cookies);
  newCookies = TextStripSpaces(newCookies);
  TextArray old = TextSplit(cookies, ";");
  TextArray merged = TextSplit(newCookies, ";");
  for (int i = 1; i <= old.Count(); ++i) {
    if (!HasCookieNamed(merged, CookieName(old.At(i)))) merged.Append(old.At(i));
  }
  cookies.clear();
  for (int i = 1; i <= merged.Count(); ++i) {
    const Text& entry = merged.At(i);
    if (TextRight(entry, 8) != kDeletedMark) cookies.append(entry).append("; ");
  }
  cookies = TextLeft(cookies, TextLength(cookies) - 2);
  cookies = JoinUnique(cookies, "; ");
  return cookies;
}

Text CookieName(const Text& entry) {
  int equals = TextFind(entry, "=");
  return TextTrim(equals == -1 ? entry : TextLeft(entry, equals - 1));
}

bool HasCookieNamed(const TextArray& entries, const Text& name) {
  for (int i = 1; i <= entries.Count(); ++i) {
    if (TextCompare(CookieName(entries.At(i)), name) == 0) return true;
  }
  return false;
}

Text JoinUnique(const Text& text, const Text& separator) {
  TextArray parts = TextSplit(text, separator);
  TextArray seen;
  Text joined;
  for (int i = 1; i <= parts.Count(); ++i) {
    if (IndexOfText(seen, parts.At(i)) == -1) {
      seen.Append(parts.At(i));
      joined.append(parts.At(i)).append(separator);
    }
  }
  return TextLeft(joined, TextLength(joined) - TextLength(separator));
}

int IndexOfText(const TextArray& entries, const Text& text) {
  for (int i = 1; i <= entries.Count(); ++i) {
    if (TextCompare(entries.At(i), text) == 0) return i;
  }
  return -1;
}

}  // namespace qoravel
