// TextSplit against the byte-by-byte reference, every element read back through TextArray.
// Input: flags (1 maxPieces given, 2 default delimiter, 4 dense alphabet), maxPieces,
// delimiter NUL text.
#include "fuzz_input.h"
#include "text_reference.h"
#include "textcore/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const auto maxByte = static_cast<std::int8_t>(input.Byte());
  const std::optional<int> maxPieces = flags & 1 ? std::optional<int>(maxByte) : std::nullopt;
  Text delimiter = input.NextText();
  Text text = input.NextText();
  if (flags & 4) {
    delimiter = fuzz::Densify(delimiter);
    text = fuzz::Densify(text);
  }
  if (flags & 2) delimiter = ",";
  const TextArray pieces = TextSplit(text, delimiter, maxPieces);
  const std::vector<std::string> expected = reference::Split(text, delimiter, maxPieces);
  FUZZ_CHECK(pieces.Count() == static_cast<int>(expected.size()));
  for (int i = 1; i <= pieces.Count(); ++i) FUZZ_CHECK(pieces.At(i) == expected[i - 1]);
  return 0;
}
