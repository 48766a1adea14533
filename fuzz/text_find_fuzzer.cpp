// TextFind against the byte-by-byte reference.
// Input: flags (1 ignoreCase, 2 start given, 4 dense alphabet), start, sought NUL text.
#include "fuzz_input.h"
#include "text_reference.h"
#include "textcore/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const auto startByte = static_cast<std::int8_t>(input.Byte());
  const bool ignoreCase = flags & 1;
  const std::optional<int> start = flags & 2 ? std::optional<int>(startByte) : std::nullopt;
  Text sought = input.NextText();
  Text text = input.NextText();
  if (flags & 4) {
    sought = fuzz::Densify(sought);
    text = fuzz::Densify(text);
  }
  const int found = TextFind(text, sought, start, ignoreCase);
  FUZZ_CHECK(found == reference::Find(text, sought, start, ignoreCase));
  // Extreme starts take the same paths as 0 and beyond the end.
  FUZZ_CHECK(TextFind(text, sought, INT32_MIN, ignoreCase) ==
             TextFind(text, sought, 0, ignoreCase));
  FUZZ_CHECK(TextFind(text, sought, INT32_MAX, ignoreCase) == -1);
  return 0;
}
