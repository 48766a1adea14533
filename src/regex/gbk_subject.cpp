#include "regex/gbk_subject.h"

#include <algorithm>

#include "textcore/codepage.h"

namespace qoravel {
namespace {

// Distance between marks: a position query converts at most this many bytes.
constexpr std::size_t kStride = 4096;

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

GbkSubject::GbkSubject(std::string_view utf8) : utf8_(utf8) {
  // The 936 form of the whole equals the 936 forms of its pieces cut at character boundaries.
  std::size_t begin = 0;
  while (begin < utf8_.size()) {
    std::size_t end = std::min(begin + kStride, utf8_.size());
    while (end < utf8_.size() && IsContinuationByte(utf8_[end])) ++end;
    utf8Marks_.push_back(begin);
    gbkMarks_.push_back(gbk_.size());
    gbk_ += Utf8ToGbk(Text(utf8_.substr(begin, end - begin)));
    begin = end;
  }
}

std::size_t GbkSubject::GbkOffset(std::size_t utf8Offset) const {
  const auto after = std::upper_bound(utf8Marks_.begin(), utf8Marks_.end(), utf8Offset);
  if (after == utf8Marks_.begin()) return 0;
  const auto mark = static_cast<std::size_t>(after - utf8Marks_.begin()) - 1;
  const std::string_view piece = utf8_.substr(utf8Marks_[mark], utf8Offset - utf8Marks_[mark]);
  return gbkMarks_[mark] + Utf8ToGbk(Text(piece)).size();
}

}  // namespace qoravel
