// MergeCookies over arbitrary cookie texts.
// Input: flags (1 dense alphabet with "=" and "deleted" parts), cookies NUL newCookies.
#include "fuzz_input.h"
#include "http/cookies.h"

namespace {

// Dense mode: each byte picks a piece of cookie syntax, so names repeat and "=deleted" occurs.
std::string CookieSyntax(std::string_view bytes) {
  static constexpr const char* kPieces[] = {"a",        "b",        "=",        "1",    ";",  " ",
                                            "=deleted", "\xA1\xA1", "\xC4\xE3", "\x81", "; ", "A"};
  std::string text;
  for (const char byte : bytes)
    text += kPieces[static_cast<std::uint8_t>(byte) % std::size(kPieces)];
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  Text cookies = input.NextText();
  Text newCookies = input.NextText();
  if (flags & 1) {
    cookies = CookieSyntax(cookies);
    newCookies = CookieSyntax(newCookies);
  }
  const Text cookiesBefore = cookies;
  const Text originalNew = newCookies;
  const Text merged = MergeCookies(cookies, newCookies);
  FUZZ_CHECK(merged == cookies);
  FUZZ_CHECK(newCookies == TextStripSpaces(originalNew));
  // A second merge of the same texts gives the same result: nothing is kept between calls.
  Text cookiesAgain = cookiesBefore;
  Text newAgain = originalNew;
  FUZZ_CHECK(MergeCookies(cookiesAgain, newAgain) == merged && newAgain == newCookies);
  return 0;
}
