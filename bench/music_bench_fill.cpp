// Filling the result list from a 10 MB search answer of 20,000 records, end to end as a search
// does it after the answer has arrived: UTF-8 to code page 936, the song pattern, the tidying,
// and 20,000 rows of seven cells into the in-memory window. Beside it, the bare pattern pass
// over the same answer (conversion, pattern, fields read; no tidying, no rows), then the
// conversion alone.
#include <benchmark/benchmark.h>

#include <string>

#include "appshell/memory_window.h"
#include "music/result_list.h"
#include "regex/regex_object.h"
#include "song_answer.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr int kRecords = bench::kAnswerRecords;
constexpr int kFieldGroups[] = {1, 3, 5, 7, 9, 10, 11};

const std::string& Utf8Answer() {
  static const std::string answer = bench::SongAnswerUtf8(kRecords);
  return answer;
}

void SetAnswerCounters(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Utf8Answer().size()));
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["answer_MB"] = static_cast<double>(Utf8Answer().size()) / 1e6;
}

void BM_FillResultListFromUtf8Answer(benchmark::State& state) {
  const std::string& answer = Utf8Answer();
  for (auto _ : state) {
    MemoryWindow window;
    AppState appState;
    if (FillResultList(window, appState, Utf8ToGbk(answer)) != kRecords) {
      state.SkipWithError("not every record became a row");
      return;
    }
    benchmark::DoNotOptimize(window.RowCount());
  }
  SetAnswerCounters(state);
}
BENCHMARK(BM_FillResultListFromUtf8Answer)->Unit(benchmark::kMillisecond);

void BM_SongPatternPassFromUtf8Answer(benchmark::State& state) {
  const std::string& answer = Utf8Answer();
  for (auto _ : state) {
    RegexObject regex;
    if (!regex.CompileAndExecute(SongPattern(), Utf8ToGbk(answer), false, false, true, true) ||
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
  SetAnswerCounters(state);
}
BENCHMARK(BM_SongPatternPassFromUtf8Answer)->Unit(benchmark::kMillisecond);

void BM_Utf8ToGbkOfTheAnswer(benchmark::State& state) {
  const std::string& answer = Utf8Answer();
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(answer));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_Utf8ToGbkOfTheAnswer)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qoravel

BENCHMARK_MAIN();
