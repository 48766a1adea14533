// A UTF-8 subject seen in code page 936: its 936 text, and the 936 byte offset of any of its
// character boundaries, found without converting the whole prefix each time.
// Read-only once built; safe to share between threads.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "textcore/text.h"

namespace qoravel {

class GbkSubject {
 public:
  // utf8 must outlive this object.
  explicit GbkSubject(std::string_view utf8);

  const Text& GbkText() const { return gbk_; }
  // REQUIRES: utf8Offset is a character boundary of the UTF-8 subject (or its end).
  std::size_t GbkOffset(std::size_t utf8Offset) const;

 private:
  std::string_view utf8_;
  Text gbk_;
  // Character boundaries about every kStride UTF-8 bytes, and the 936 offsets that match them.
  std::vector<std::size_t> utf8Marks_;
  std::vector<std::size_t> gbkMarks_;
};

}  // namespace qoravel
