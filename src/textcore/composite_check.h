// The composite check of the conversion to code page 936: a base character followed by combining
// marks is joined into the precomposed character where code page 936 has one; other units stay
// as they are and convert one by one. Any thread.
#pragma once

#include <string>
#include <string_view>

namespace qoravel::composite_check {

std::u16string ComposeForGbk(std::u16string_view units);

}  // namespace qoravel::composite_check
