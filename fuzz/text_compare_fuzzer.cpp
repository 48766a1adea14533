// TextCompare against the byte-by-byte reference: the order with case, equality without.
// Input: flags (1 dense alphabet, 2 second text is the first with its letters' case swapped),
// a NUL b.
#include "fuzz_input.h"
#include "text_reference.h"
#include "textcore/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  Text a = input.NextText();
  Text b = input.NextText();
  if (flags & 1) {
    a = fuzz::Densify(a);
    b = fuzz::Densify(b);
  }
  if (flags & 2) {
    b = a;
    for (char& c : b) {
      if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
      else if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
  }
  const int order = TextCompare(a, b, true);
  FUZZ_CHECK(order == reference::Compare(a, b));
  FUZZ_CHECK(TextCompare(b, a, true) == -order);
  const bool equalIgnoringCase = TextCompare(a, b, false) == 0;
  FUZZ_CHECK(equalIgnoringCase == reference::EqualIgnoringCase(a, b));
  FUZZ_CHECK((TextCompare(b, a, false) == 0) == equalIgnoringCase);
  FUZZ_CHECK(TextCompare(a, a, false) == 0);
  return 0;
}
