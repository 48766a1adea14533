// ScanResponseHeaders over arbitrary header blocks, with and without a cookie text to merge into.
// Input: flags (1 cookies supplied, 2 the block is raw UTF-16 bytes rather than code page 936
// text), the supplied cookies NUL the header block.
#include "fuzz_input.h"
#include "http/cookies.h"
#include "http/response_headers.h"
#include "textcore/codepage.h"

namespace {

struct Scan {
  qoravel::Text statusText = "old status", responseHeaders = "old", newCookies, location = "none",
                cookies;
  bool operator==(const Scan&) const = default;
};

Scan Run(const qoravel::ByteBuffer& block, const qoravel::Text& cookies, bool cookiesSupplied) {
  Scan scan;
  scan.cookies = cookies;
  qoravel::ScanResponseHeaders(block, scan.statusText, scan.responseHeaders, scan.newCookies,
                               scan.location, scan.cookies, cookiesSupplied);
  return scan;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const bool cookiesSupplied = flags & 1;
  const Text cookies = input.NextText();
  ByteBuffer block;
  if (flags & 2) {
    const std::string_view raw = input.Rest();
    block.assign(raw.begin(), raw.end());
  } else {
    block = GbkToUtf16(input.NextText(), /*dropTerminator=*/true);  // as the engine hands it over
  }
  const Scan scan = Run(block, cookies, cookiesSupplied);
  // The normalised block has nothing left to normalise.
  FUZZ_CHECK(TextReplace(scan.responseHeaders, "Set-Cookie", "Set-Cookie") == scan.responseHeaders);
  FUZZ_CHECK(Run(block, cookies, cookiesSupplied) == scan);  // nothing carries over between calls
  const Scan unmerged = Run(block, cookies, false);
  FUZZ_CHECK(unmerged.cookies == cookies);
  if (cookiesSupplied) {
    // The merge is the last step: merging the unmerged outputs gives the same texts.
    Text mergedCookies = cookies;
    Text newCookies = unmerged.newCookies;
    (void)MergeCookies(mergedCookies, newCookies);
    FUZZ_CHECK(scan.cookies == mergedCookies && scan.newCookies == newCookies);
  }
  return 0;
}
