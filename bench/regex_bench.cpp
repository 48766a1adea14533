// RegexObject over a 10 MB compact search answer of 20,000 song records: the song pattern run
// and all seven fields of every match read back, as the result list is filled; then the two
// parts of that cost apart (code page conversion of the subject, the engine alone).
// `regex_bench --write-answer=FILE` writes the answer (UTF-8, as served) for the peers instead.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "music/result_list.h"
#include "regex/match_collector.h"
#include "regex/regex_object.h"
#include "song_answer.h"
#include "textcore/codepage.h"
#include "textcore/text.h"

namespace qoravel {
namespace {

const Text& kSongPattern = SongPattern();
constexpr int kRecords = bench::kAnswerRecords;
constexpr int kFieldGroups[] = {1, 3, 5, 7, 9, 10, 11};

const Text& Answer() {
  static const Text answer = Utf8ToGbk(bench::SongAnswerUtf8(kRecords));
  return answer;
}

void BM_SongPatternWithAllFields(benchmark::State& state) {
  const Text& answer = Answer();
  for (auto _ : state) {
    RegexObject regex;
    if (!regex.CompileAndExecute(kSongPattern, answer, false, false, true, true) ||
        regex.MatchCount() != kRecords) {
      state.SkipWithError("the song pattern did not find every record");
      return;
    }
    std::size_t fieldBytes = 0;
    for (int i = 1; i <= regex.MatchCount(); ++i) {
      for (const int group : kFieldGroups) fieldBytes += regex.SubMatchText(i, group).size();
    }
    benchmark::DoNotOptimize(fieldBytes);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
  state.counters["answer_bytes"] = static_cast<double>(answer.size());
}
BENCHMARK(BM_SongPatternWithAllFields)->Unit(benchmark::kMillisecond);

void BM_AnswerToUtf8(benchmark::State& state) {
  const Text& answer = Answer();
  for (auto _ : state) benchmark::DoNotOptimize(GbkToUtf8(answer));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_AnswerToUtf8)->Unit(benchmark::kMillisecond);

void BM_SongPatternEngineOnly(benchmark::State& state) {
  const Text& answer = Answer();
  const std::string pattern = GbkToUtf8(TextReplace(kSongPattern, "#引号"_gbk, "\"", {}, {}, true));
  const std::string subject = GbkToUtf8(answer);
  for (auto _ : state) {
    benchmark::DoNotOptimize(CollectMatches(pattern, subject, {.multiline = false}));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_SongPatternEngineOnly)->Unit(benchmark::kMillisecond);

void BM_FieldsOnly(benchmark::State& state) {
  const Text& answer = Answer();
  RegexObject regex;
  if (!regex.CompileAndExecute(kSongPattern, answer, false, false, true, true)) {
    state.SkipWithError("the song pattern could not be run");
    return;
  }
  for (auto _ : state) {
    std::size_t fieldBytes = 0;
    for (int i = 1; i <= regex.MatchCount(); ++i) {
      for (const int group : kFieldGroups) fieldBytes += regex.SubMatchText(i, group).size();
    }
    benchmark::DoNotOptimize(fieldBytes);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_FieldsOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qoravel

int main(int argc, char** argv) {
  constexpr const char* kWriteAnswer = "--write-answer=";
  if (argc == 2 && std::strncmp(argv[1], kWriteAnswer, std::strlen(kWriteAnswer)) == 0) {
    return qoravel::bench::WriteSongAnswer(argv[1] + std::strlen(kWriteAnswer)) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
