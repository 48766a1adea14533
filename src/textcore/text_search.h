// Byte searches over code page 936 text that only match on character boundaries, with optional
// folding of the ASCII capitals. Linear in the searched length. No shared state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qoravel::text_search {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// Lead bytes of two-byte characters (and 0x80, 0xFF, which the stepping treats alike).
constexpr bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// Bytes the character at offset p occupies when stepping: 2 after a lead byte, else 1.
constexpr std::size_t CharacterSize(std::string_view text, std::size_t p) {
  return IsLeadByte(text[p]) ? 2 : 1;
}

constexpr char FoldAscii(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

// Finds sought in a text, starting at a character boundary and stepping characters from there.
class BoundarySearch {
 public:
  // foldCase: ASCII capitals match small letters, on every byte including second bytes.
  BoundarySearch(std::string_view text, std::string_view sought, bool foldCase);

  // The first offset at or after p, reached by stepping characters from p, where sought
  // occurs; kNotFound when there is none. sought must not be empty; p must not exceed the
  // text's length. Not for use by two threads at once (it keeps its folded block).
  std::size_t Next(std::size_t p) const;

 private:
  std::size_t RawFind(std::size_t from) const;
  std::size_t RawFindFolded(std::size_t from) const;

  std::string_view text_;
  std::string sought_;  // folded when foldCase_
  bool foldCase_;
  mutable std::string folded_;  // text_ folded from foldedStart_ on, for the folded search
  mutable std::size_t foldedStart_ = 0;
};

}  // namespace qoravel::text_search
