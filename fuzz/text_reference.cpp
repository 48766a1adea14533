#include "text_reference.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <cstdint>

namespace qoravel::reference {
namespace {

using Offset = std::int64_t;

bool IsLead(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

char FoldAscii(char byte) { return byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte; }

// Whether sought stands at offset p, byte by byte.
bool MatchesAt(const std::string& text, Offset p, const std::string& sought, bool fold) {
  for (std::size_t i = 0; i < sought.size(); ++i) {
    char a = text[static_cast<std::size_t>(p) + i];
    char b = sought[i];
    if (fold) {
      a = FoldAscii(a);
      b = FoldAscii(b);
    }
    if (a != b) return false;
  }
  return true;
}

Offset StartOffset(std::optional<int> start) {
  if (!start) return 0;
  const Offset s = Offset{*start} - 1;
  return s < 0 ? 0 : s;
}

Offset Length(const std::string& text) { return static_cast<Offset>(text.size()); }

bool IsBlankPair(const std::string& text, Offset p) {
  return p + 1 < Length(text) && text[p] == '\xA1' && text[p + 1] == '\xA1';
}

// The upper-case form of one two-byte character through ICU's code page 936 table; the
// character itself when it has none that reads back as the same character.
std::string UpperOfPair(char lead, char trail) {
  static UConverter* const converter = [] {
    UErrorCode error = U_ZERO_ERROR;
    return ucnv_open("windows-936-2000", &error);
  }();
  const char pair[] = {lead, trail};
  UChar units[4];
  UErrorCode error = U_ZERO_ERROR;
  const int unitCount = ucnv_toUChars(converter, units, 4, pair, 2, &error);
  if (U_FAILURE(error) || unitCount != 1) return std::string(pair, 2);
  const UChar32 upper = u_toupper(units[0]);
  if (upper == units[0] || upper > 0xFFFF || U_IS_SURROGATE(upper)) return std::string(pair, 2);
  const UChar upperUnit = static_cast<UChar>(upper);
  char encoded[8];
  error = U_ZERO_ERROR;
  const int byteCount = ucnv_fromUChars(converter, encoded, 8, &upperUnit, 1, &error);
  if (U_FAILURE(error) || byteCount != 2) return std::string(pair, 2);
  UChar back[4];
  error = U_ZERO_ERROR;
  const int backCount = ucnv_toUChars(converter, back, 4, encoded, 2, &error);
  if (U_FAILURE(error) || backCount != 1 || back[0] != upperUnit) return std::string(pair, 2);
  return std::string(encoded, 2);
}

std::string FoldForCompare(const std::string& text) {
  std::string folded;
  Offset p = 0;
  while (p < Length(text)) {
    if (IsLead(text[p])) {
      if (p + 1 == Length(text)) {
        folded += text[p];  // a lone lead byte stays as it is
        break;
      }
      folded += UpperOfPair(text[p], text[p + 1]);
      p += 2;
    } else {
      const char byte = text[p];
      folded += byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte;
      p += 1;
    }
  }
  return folded;
}

}  // namespace

int Find(const std::string& text, const std::string& sought, std::optional<int> start,
         bool ignoreCase) {
  const Offset s = StartOffset(start);
  if (s >= Length(text)) return -1;
  if (sought.empty()) return 1;
  Offset p = s;
  while (Length(text) - p >= Length(sought)) {
    if (MatchesAt(text, p, sought, ignoreCase)) return static_cast<int>(p + 1);
    if (IsLead(text[p])) {
      if (p + 1 == Length(text)) break;
      p += 2;
    } else {
      p += 1;
    }
  }
  return -1;
}

std::string Replace(const std::string& text, const std::string& sought,
                    const std::string& replacement, std::optional<int> start,
                    std::optional<int> count, bool caseSensitive) {
  const Offset s = StartOffset(start);
  if (text.empty() || sought.empty() || count == 0 || s >= Length(text)) return text;
  std::optional<int> left = count;
  std::string result = text.substr(0, static_cast<std::size_t>(s));
  Offset p = s;
  while (Length(text) - p >= Length(sought)) {
    if (MatchesAt(text, p, sought, !caseSensitive)) {
      result += replacement;
      p += Length(sought);
      if (left && *left > 0 && --*left == 0) break;
    } else if (IsLead(text[p])) {
      if (p + 1 == Length(text)) return result;  // a lone lead byte is left out
      result += text.substr(static_cast<std::size_t>(p), 2);
      p += 2;
    } else {
      result += text[p];
      p += 1;
    }
  }
  return result + text.substr(static_cast<std::size_t>(p));
}

std::vector<std::string> Split(const std::string& text, const std::string& delimiter,
                               std::optional<int> maxPieces) {
  std::optional<int> left;
  if (maxPieces) left = *maxPieces < 0 ? 0 : *maxPieces;
  std::vector<std::string> pieces;
  if (text.empty() || left == 0) return pieces;
  if (delimiter.empty()) return {text};
  Offset p = 0;
  Offset pieceStart = 0;
  while (Length(text) - p >= Length(delimiter)) {
    if (MatchesAt(text, p, delimiter, false)) {
      pieces.push_back(text.substr(static_cast<std::size_t>(pieceStart),
                                   static_cast<std::size_t>(p - pieceStart)));
      p += Length(delimiter);
      pieceStart = p;
      if (left && --*left == 0) return pieces;
    } else if (IsLead(text[p])) {
      if (p + 1 == Length(text)) break;
      p += 2;
    } else {
      p += 1;
    }
  }
  if (pieceStart < Length(text))
    pieces.push_back(text.substr(static_cast<std::size_t>(pieceStart)));
  return pieces;
}

std::string Trim(const std::string& text) {
  Offset first = 0;
  while (first < Length(text)) {
    if (text[first] == ' ') {
      first += 1;
    } else if (IsBlankPair(text, first)) {
      first += 2;
    } else {
      break;
    }
  }
  Offset end = Length(text);
  std::optional<Offset> blanksFrom;  // where the blanks that reach the end begin
  Offset p = first;
  while (p < Length(text)) {
    if (IsLead(text[p]) && p + 1 == Length(text)) {
      end = p;
      blanksFrom.reset();
      break;
    }
    const bool twoBytes = IsLead(text[p]);
    const bool blank = twoBytes ? IsBlankPair(text, p) : text[p] == ' ';
    if (!blank) {
      blanksFrom.reset();
    } else if (!blanksFrom) {
      blanksFrom = p;
    }
    p += twoBytes ? 2 : 1;
  }
  if (blanksFrom) end = *blanksFrom;
  return text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(end - first));
}

std::string StripSpaces(const std::string& text) {
  std::string result;
  Offset p = 0;
  while (p < Length(text)) {
    if (IsLead(text[p])) {
      if (p + 1 == Length(text)) break;
      if (!IsBlankPair(text, p)) result += text.substr(static_cast<std::size_t>(p), 2);
      p += 2;
    } else {
      if (text[p] != ' ') result += text[p];
      p += 1;
    }
  }
  return result;
}

int Compare(const std::string& a, const std::string& b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return FoldForCompare(a) == FoldForCompare(b);
}

}  // namespace qoravel::reference
