// TextTrim and TextStripSpaces against the byte-by-byte reference.
// Input: flags (1 dense alphabet), text.
#include "fuzz_input.h"
#include "text_reference.h"
#include "textcore/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  Text text = input.NextText();
  if (flags & 1) text = fuzz::Densify(text);
  const Text trimmed = TextTrim(text);
  FUZZ_CHECK(trimmed == reference::Trim(text));
  FUZZ_CHECK(TextStripSpaces(text) == reference::StripSpaces(text));
  return 0;
}
