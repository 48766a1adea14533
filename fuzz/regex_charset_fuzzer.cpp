// RegexObject with the page charset pattern over the first 1024 bytes of arbitrary pages, then
// the whole charset step, which opens a decoder for whatever name the page declares.
// Input: the body; the page text is the body up to its first NUL, as the request engine takes it.
#include "fuzz_input.h"
#include "http/page_charset.h"
#include "regex/regex_object.h"
#include "regex_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  const std::string body(reinterpret_cast<const char*>(data), size);
  const Text subject = TextLeft(body.substr(0, body.find('\0')), 1024);
  RegexObject regex;
  const bool ran = regex.CompileAndExecute(R"(<meta.+?charset=[^\w]?([-\w]+))", subject);
  FUZZ_CHECK(ran);  // a short subject never reaches the engine's limits with this pattern
  if (regex.MatchCount() > 0) {
    FUZZ_CHECK(regex.SubMatchCount() == 1);
    const Text charset = regex.SubMatchText(1, 1);
    FUZZ_CHECK(!charset.empty());
    for (const char c : charset) {
      FUZZ_CHECK(c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                 (c >= 'a' && c <= 'z'));
    }
  }
  fuzz::CheckRun(regex, ran, subject, /*caseSensitive=*/false);

  // As the request engine calls it: without a NUL the body is a view of the page text itself.
  const std::size_t nul = body.find('\0');
  Text page = body.substr(0, nul);
  const std::string_view bodyView = nul == std::string::npos ? std::string_view(page) : body;
  RegexObject engine;
  ConvertPageCharset(engine, page, bodyView);
  FUZZ_CHECK(page.find('\0') == Text::npos);
  return 0;
}
