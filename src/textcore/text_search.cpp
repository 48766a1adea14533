#include "textcore/text_search.h"

#include <string.h>  // memmem: linear-time substring search of the C library

#include <algorithm>

namespace qoravel::text_search {
namespace {

// Folded searches fold the text a block at a time, so that an early match costs little, and keep
// the block for the next search.
constexpr std::size_t kFoldBlock = 64 * 1024;

std::size_t MemFind(std::string_view haystack, std::string_view needle) {
  const void* hit = memmem(haystack.data(), haystack.size(), needle.data(), needle.size());
  if (hit == nullptr) return kNotFound;
  return static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data());
}

}  // namespace

BoundarySearch::BoundarySearch(std::string_view text, std::string_view sought, bool foldCase)
    : text_(text), sought_(sought), foldCase_(foldCase) {
  if (foldCase_) std::transform(sought_.begin(), sought_.end(), sought_.begin(), FoldAscii);
}

std::size_t BoundarySearch::Next(std::size_t p) const {
  for (;;) {
    const std::size_t hit = foldCase_ ? RawFindFolded(p) : RawFind(p);
    if (hit == kNotFound) return kNotFound;
    while (p < hit) p += CharacterSize(text_, p);
    if (p == hit) return hit;
    // The hit began on the second byte of a character: look again from the next character.
  }
}

std::size_t BoundarySearch::RawFind(std::size_t from) const {
  if (from > text_.size() || text_.size() - from < sought_.size()) return kNotFound;
  const std::size_t hit = MemFind(text_.substr(from), sought_);
  return hit == kNotFound ? kNotFound : from + hit;
}

std::size_t BoundarySearch::RawFindFolded(std::size_t from) const {
  const std::size_t soughtSize = sought_.size();
  while (from <= text_.size() && text_.size() - from >= soughtSize) {
    if (from < foldedStart_ || from + soughtSize > foldedStart_ + folded_.size()) {
      // Fold the next block; it reaches soughtSize - 1 bytes further so no match is split.
      foldedStart_ = from;
      folded_.assign(text_.substr(from, kFoldBlock + soughtSize - 1));
      std::transform(folded_.begin(), folded_.end(), folded_.begin(), FoldAscii);
    }
    const std::size_t hit = MemFind(std::string_view(folded_).substr(from - foldedStart_), sought_);
    if (hit != kNotFound) return from + hit;
    const std::size_t foldedEnd = foldedStart_ + folded_.size();
    if (foldedEnd == text_.size()) break;
    from = foldedEnd - (soughtSize - 1);
  }
  return kNotFound;
}

}  // namespace qoravel::text_search
