#include "textcore/text_search.h"

#include <string.h>  // memmem: linear-time substring search of the C library

#include <algorithm>
#include <array>

namespace qoravel::text_search {
namespace {

// Folded searches look through the text a block at a time so that an early match costs little.
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
  std::string folded;
  for (std::size_t block = from; block < text_.size() && text_.size() - block >= sought_.size();
       block += kFoldBlock) {
    // Each block reaches sought's length - 1 bytes into the next so that no match is split.
    const std::string_view window = text_.substr(block, kFoldBlock + sought_.size() - 1);
    folded.assign(window);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldAscii);
    const std::size_t hit = MemFind(folded, sought_);
    if (hit != kNotFound) return block + hit;
  }
  return kNotFound;
}

}  // namespace qoravel::text_search
