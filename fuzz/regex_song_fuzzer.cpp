// RegexObject with the song pattern, run as the result list runs it, over arbitrary answers.
// Input: the answer (code page 936 text up to the first NUL).
#include "fuzz_input.h"
#include "music/result_list.h"
#include "regex/regex_object.h"
#include "regex_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const Text answer = input.NextText();
  RegexObject regex;
  const bool ran = regex.CompileAndExecute(SongPattern(), answer, /*caseSensitive=*/false,
                                           /*multiline=*/false, /*global=*/true,
                                           /*quoteMarkers=*/true);
  FUZZ_CHECK(regex.GetPattern().find("#") == Text::npos);  // every marker became a quote
  if (regex.MatchCount() > 0) FUZZ_CHECK(regex.SubMatchCount() == 11);
  fuzz::CheckRun(regex, ran, answer, /*caseSensitive=*/false);
  return 0;
}
