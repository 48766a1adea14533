// TextReplace against the byte-by-byte reference.
// Input: flags (1 caseSensitive, 2 start given, 4 count given, 8 dense alphabet), start, count,
// sought NUL replacement NUL text.
#include "fuzz_input.h"
#include "text_reference.h"
#include "textcore/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const auto startByte = static_cast<std::int8_t>(input.Byte());
  const auto countByte = static_cast<std::int8_t>(input.Byte());
  const bool caseSensitive = flags & 1;
  const std::optional<int> start = flags & 2 ? std::optional<int>(startByte) : std::nullopt;
  std::optional<int> count = flags & 4 ? std::optional<int>(countByte) : std::nullopt;
  if (count && *count == -128) count = INT32_MIN;  // the most negative count: "all", no wrap
  Text sought = input.NextText();
  Text replacement = input.NextText();
  Text text = input.NextText();
  if (flags & 8) {
    sought = fuzz::Densify(sought);
    replacement = fuzz::Densify(replacement);
    text = fuzz::Densify(text);
  }
  const Text replaced = TextReplace(text, sought, replacement, start, count, caseSensitive);
  FUZZ_CHECK(replaced ==
             reference::Replace(text, sought, replacement, start, count, caseSensitive));
  return 0;
}
