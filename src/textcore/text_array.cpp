#include <cstdio>
#include <cstdlib>

#include "textcore/text.h"

namespace qoravel {

int TextArray::Count() const { return static_cast<int>(items_.size()); }

const Text& TextArray::At(int index) const {
  if (index < 1 || index > Count()) {
    // A caller walked outside the array: stop rather than read outside it.
    std::fprintf(stderr, "TextArray::At: index %d is outside 1..%d\n", index, Count());
    std::abort();
  }
  return items_[static_cast<std::size_t>(index - 1)];
}

void TextArray::Append(const Text& text) { items_.push_back(text); }

void TextArray::Append(Text&& text) { items_.push_back(std::move(text)); }

}  // namespace qoravel
