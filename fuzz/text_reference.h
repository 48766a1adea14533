// Plain byte-by-byte versions of the text primitives, written straight from their rules with no
// shortcut, for the fuzz targets to compare the real ones against. Slow on purpose.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qoravel::reference {

int Find(const std::string& text, const std::string& sought, std::optional<int> start,
         bool ignoreCase);
std::string Replace(const std::string& text, const std::string& sought,
                    const std::string& replacement, std::optional<int> start,
                    std::optional<int> count, bool caseSensitive);
std::vector<std::string> Split(const std::string& text, const std::string& delimiter,
                               std::optional<int> maxPieces);
std::string Trim(const std::string& text);
std::string StripSpaces(const std::string& text);
// Case-sensitive comparison: -1, 0 or 1 by the first differing byte, unsigned.
int Compare(const std::string& a, const std::string& b);
// Equality without regard to case: ASCII letters folded, each two-byte character replaced by the
// upper-case form code page 936 gives it (worked out through ICU, one character at a time).
bool EqualIgnoringCase(const std::string& a, const std::string& b);

}  // namespace qoravel::reference
