// Properties every run of a RegexObject keeps, whatever the pattern and subject: each match and
// group is read back from the subject at the position reported, matches come in order without
// overlap, and indexes outside the run give empty texts.
#pragma once

#include "fuzz_input.h"
#include "regex/regex_object.h"
#include "textcore/codepage.h"

namespace qoravel::fuzz {

// Equal with the ASCII capitals folded, as a search that ignores case compares.
inline bool EqualFoldingAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

inline void CheckRun(const RegexObject& regex, bool ran, const Text& subject, bool caseSensitive) {
  // The subject as the engine saw it, back in code page 936: malformed bytes read as "?".
  const Text seen = Utf8ToGbk(GbkToUtf8(subject));
  const int count = regex.MatchCount();
  FUZZ_CHECK(count >= 0);
  if (!ran) FUZZ_CHECK(count == 0);
  const int groups = regex.SubMatchCount();
  std::size_t previousEnd = 0;
  for (int i = 1; i <= count; ++i) {
    int position = -2;
    const Text match = regex.MatchText(i, &position);
    FUZZ_CHECK(position >= 0 && static_cast<std::size_t>(position) >= previousEnd);
    FUZZ_CHECK(seen.compare(static_cast<std::size_t>(position), match.size(), match) == 0);
    previousEnd = static_cast<std::size_t>(position) + match.size();
    for (int g = 1; g <= groups; ++g) {
      int groupPosition = -2;
      const Text group = regex.SubMatchText(i, g, &groupPosition);
      FUZZ_CHECK(group.size() <= match.size());
      FUZZ_CHECK(groupPosition >= -1);
      if (groupPosition == -1) continue;  // stepping from the match start may miss it
      FUZZ_CHECK(groupPosition >= position);
      const std::string_view there =
          std::string_view(seen).substr(static_cast<std::size_t>(groupPosition), group.size());
      FUZZ_CHECK(caseSensitive ? there == group : EqualFoldingAscii(there, group));
    }
    FUZZ_CHECK(regex.SubMatchText(i, 0).empty());
    FUZZ_CHECK(regex.SubMatchText(i, groups + 1).empty());
  }
  int position = 0;
  FUZZ_CHECK(regex.MatchText(0, &position).empty() && position == -1);
  FUZZ_CHECK(regex.MatchText(count + 1, &position).empty() && position == -1);
  FUZZ_CHECK(regex.SubMatchText(count + 1, 1, &position).empty() && position == -1);
  const RegexObject clone = regex.Clone();
  FUZZ_CHECK(clone.MatchCount() == count && clone.MatchText(count) == regex.MatchText(count));
  const Text replaced = regex.ReplaceMatches("[$1|$&|$`|$'|$$|$99]");
  if (ran && count == 0) FUZZ_CHECK(replaced == seen);
  if (!ran) FUZZ_CHECK(replaced.empty());
}

}  // namespace qoravel::fuzz
