#include "textcore/text_search.h"

#include <string.h>  // memmem: linear-time substring search of the C library

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace qoravel::text_search {
namespace {

// Folded searches fold the text a block at a time, so that an early match costs little, and keep
// the block for the next search.
constexpr std::size_t kFoldBlock = 64 * 1024;

// The first character boundary at or after target, stepping characters from the boundary p.
// Eight ASCII bytes at a time are eight one-byte characters.
std::size_t StepTo(std::string_view text, std::size_t p, std::size_t target) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  while (p < target) {
    if constexpr (std::endian::native == std::endian::little) {
      if (target - p >= sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + p, sizeof word);
        const std::uint64_t high = word & kHighBits;
        if (high == 0) {
          p += sizeof word;
        } else {
          p += static_cast<std::size_t>(std::countr_zero(high)) / 8 + 2;  // to the lead byte's pair
        }
        continue;
      }
    }
    p += CharacterSize(text, p);
  }
  return p;
}

std::size_t MemMem(std::string_view haystack, std::string_view needle) {
  const void* hit = memmem(haystack.data(), haystack.size(), needle.data(), needle.size());
  if (hit == nullptr) return kNotFound;
  return static_cast<std::size_t>(static_cast<const char*>(hit) - haystack.data());
}

// Dense matches are found fastest by the first byte and a compare (memmem costs a set-up per
// call); after a few false candidates the rest goes to memmem, which is linear and fast on long
// stretches without a match.
constexpr int kCandidatesBeforeMemMem = 8;

std::size_t MemFind(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > haystack.size()) return kNotFound;
  const char* const first = haystack.data();
  const char* const last = first + (haystack.size() - needle.size());
  const char* at = first;
  for (int candidates = 0; candidates < kCandidatesBeforeMemMem; ++candidates, ++at) {
    if (at > last) return kNotFound;
    at = static_cast<const char*>(
        std::memchr(at, needle[0], static_cast<std::size_t>(last - at) + 1));
    if (at == nullptr) return kNotFound;
    if (std::memcmp(at + 1, needle.data() + 1, needle.size() - 1) == 0) {
      return static_cast<std::size_t>(at - first);
    }
  }
  const std::size_t offset = static_cast<std::size_t>(at - first);
  const std::size_t hit = MemMem(haystack.substr(offset), needle);
  return hit == kNotFound ? kNotFound : offset + hit;
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
    p = StepTo(text_, p, hit);
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
