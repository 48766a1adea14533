#include "textcore/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "textcore/gbk_case.h"
#include "textcore/text_search.h"

namespace qoravel {
namespace {

using text_search::BoundarySearch;
using text_search::CharacterSize;
using text_search::IsLeadByte;
using text_search::kNotFound;

constexpr char kBlank = ' ';
constexpr char kIdeographicSpaceByte = '\xA1';  // the ideographic space is A1 A1

// The 0-based offset where a search or replacement starts: start - 1, raised to 0.
std::size_t StartOffset(std::optional<int> start) {
  if (!start) return 0;
  const std::int64_t offset = static_cast<std::int64_t>(*start) - 1;
  return offset < 0 ? 0 : static_cast<std::size_t>(offset);
}

// True when the character at p (of size bytes) is a blank: 0x20 or A1 A1.
bool IsBlankCharacter(std::string_view text, std::size_t p, std::size_t size) {
  if (size == 1) return text[p] == kBlank;
  return text[p] == kIdeographicSpaceByte && text[p + 1] == kIdeographicSpaceByte;
}

// A byte of 0x80 or above as the last byte: its second byte would be the terminator.
bool IsLoneLeadAt(std::string_view text, std::size_t p) {
  return p + 1 == text.size() && IsLeadByte(text[p]);
}

// Whether stepping characters from p, while at least soughtSize bytes are left, reaches a lone
// lead byte at the end (a scan that finds nothing more there leaves that byte out).
bool ScanReachesLoneLead(std::string_view text, std::size_t p, std::size_t soughtSize) {
  if (text.empty() || soughtSize > 1 || !IsLeadByte(text.back())) return false;
  while (p + 1 < text.size()) p += CharacterSize(text, p);
  return p + 1 == text.size();
}

// The text with ASCII letters in capitals and each two-byte character in its upper-case form.
Text FoldForCompare(std::string_view text) {
  Text folded(text);
  std::size_t p = 0;
  while (p < text.size()) {
    if (IsLoneLeadAt(text, p)) break;
    if (IsLeadByte(text[p])) {
      const std::uint16_t upper = gbk_case::UpperTwoByte(static_cast<std::uint8_t>(text[p]),
                                                         static_cast<std::uint8_t>(text[p + 1]));
      folded[p] = static_cast<char>(upper >> 8);
      folded[p + 1] = static_cast<char>(upper & 0xFF);
      p += 2;
    } else {
      if (text[p] >= 'a' && text[p] <= 'z') folded[p] = static_cast<char>(text[p] - 'a' + 'A');
      p += 1;
    }
  }
  return folded;
}

int CompareBytes(std::string_view a, std::string_view b) {
  const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (order != 0) return order < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int TextLength(const Text& text) { return static_cast<int>(text.size()); }

Text TextLeft(const Text& text, int n) {
  if (n <= 0) return {};
  return text.substr(0, static_cast<std::size_t>(n));
}

Text TextRight(const Text& text, int n) {
  if (n <= 0) return {};
  const std::size_t kept = std::min(static_cast<std::size_t>(n), text.size());
  return text.substr(text.size() - kept);
}

Text TextMid(const Text& text, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) return {};
  return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n));
}

int TextFind(const Text& text, const Text& sought, std::optional<int> start, bool ignoreCase) {
  const std::size_t s = StartOffset(start);
  if (s >= text.size()) return -1;
  if (sought.empty()) return 1;  // 1, not the start position
  const std::size_t hit = BoundarySearch(text, sought, ignoreCase).Next(s);
  return hit == kNotFound ? -1 : static_cast<int>(hit) + 1;
}

Text TextReplace(const Text& text, const Text& sought, const Text& replacement,
                 std::optional<int> start, std::optional<int> count, bool caseSensitive) {
  const std::size_t s = StartOffset(start);
  if (text.empty() || sought.empty() || count == 0 || s >= text.size()) return text;
  // A negative count never counts down to 0, so it replaces every occurrence.
  int remaining = count.value_or(-1);
  Text result;
  // Room for modest growth: reserved pages that stay unused cost nothing.
  result.reserve(text.size() + (replacement.size() > sought.size() ? text.size() / 4 : 0));
  result.append(text, 0, s);
  const BoundarySearch search(text, sought, !caseSensitive);
  std::size_t p = s;
  for (std::size_t hit = search.Next(p); hit != kNotFound; hit = search.Next(p)) {
    result.append(text, p, hit - p);
    result.append(replacement);
    p = hit + sought.size();
    if (remaining > 0 && --remaining == 0) {
      result.append(text, p);
      return result;
    }
  }
  const bool dropLoneLead = ScanReachesLoneLead(text, p, sought.size());
  result.append(text, p, text.size() - p - (dropLoneLead ? 1 : 0));
  return result;
}

TextArray TextSplit(const Text& text, const Text& delimiter, std::optional<int> maxPieces) {
  TextArray pieces;
  if (text.empty() || maxPieces.value_or(1) <= 0) return pieces;
  if (delimiter.empty()) {
    pieces.Append(text);
    return pieces;
  }
  int remaining = maxPieces.value_or(-1);  // -1: unlimited
  const BoundarySearch search(text, delimiter, /*foldCase=*/false);
  std::size_t pieceStart = 0;
  for (std::size_t hit = search.Next(0); hit != kNotFound; hit = search.Next(pieceStart)) {
    pieces.Append(text.substr(pieceStart, hit - pieceStart));
    pieceStart = hit + delimiter.size();
    if (remaining > 0 && --remaining == 0) return pieces;
  }
  if (pieceStart < text.size()) pieces.Append(text.substr(pieceStart));
  return pieces;
}

Text TextTrim(const Text& text) {
  const std::string_view view(text);
  std::size_t first = 0;
  while (first < view.size()) {
    if (view[first] == kBlank) {
      first += 1;
    } else if (first + 1 < view.size() && IsBlankCharacter(view, first, 2)) {
      first += 2;
    } else {
      break;
    }
  }
  std::size_t end = view.size();
  std::size_t trailingBlanks = kNotFound;  // where the blanks that reach the end begin
  for (std::size_t p = first; p < view.size();) {
    if (IsLoneLeadAt(view, p)) {
      // The lone lead byte is cut off instead; blanks before it stay.
      trailingBlanks = kNotFound;
      end = p;
      break;
    }
    const std::size_t size = CharacterSize(view, p);
    if (!IsBlankCharacter(view, p, size)) {
      trailingBlanks = kNotFound;
    } else if (trailingBlanks == kNotFound) {
      trailingBlanks = p;
    }
    p += size;
  }
  if (trailingBlanks != kNotFound) end = trailingBlanks;
  return text.substr(first, end - first);
}

Text TextStripSpaces(const Text& text) {
  const std::string_view view(text);
  Text result;
  result.reserve(view.size());
  for (std::size_t p = 0; p < view.size() && !IsLoneLeadAt(view, p);) {
    const std::size_t size = CharacterSize(view, p);
    if (!IsBlankCharacter(view, p, size)) result.append(view.substr(p, size));
    p += size;
  }
  return result;
}

int TextCompare(const Text& a, const Text& b, bool caseSensitive) {
  if (caseSensitive) return CompareBytes(a, b);
  return CompareBytes(FoldForCompare(a), FoldForCompare(b));
}

Text CharFromCode(int code) {
  const char byte = static_cast<char>(code & 0xFF);  // the low byte of the code
  if (byte == '\0') return {};
  return Text(1, byte);
}

Text ByteToHex(std::int32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%X", static_cast<std::uint32_t>(value));
  return digits;
}

Text BlankText(int n) {
  if (n <= 0) return {};
  return Text(static_cast<std::size_t>(n), kBlank);
}

ByteBuffer TextToBytes(const Text& text) { return ByteBuffer(text.begin(), text.end()); }

Text BytesToText(const ByteBuffer& buffer) {
  const auto zero = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
  return Text(buffer.begin(), zero);
}

int BytesLength(const ByteBuffer& buffer) { return static_cast<int>(buffer.size()); }

ByteBuffer BytesLeft(const ByteBuffer& buffer, int n) {
  const std::size_t kept = n <= 0 ? 0 : std::min(static_cast<std::size_t>(n), buffer.size());
  return ByteBuffer(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kept));
}

ByteBuffer BlankBytes(int n) {
  if (n <= 0) return {};
  return ByteBuffer(static_cast<std::size_t>(n), 0);
}

ByteBuffer BytesFromPointer(const void* address, int n) {
  if (address == nullptr || n <= 0) return {};
  const auto* first = static_cast<const std::uint8_t*>(address);
  return ByteBuffer(first, first + n);
}

}  // namespace qoravel
