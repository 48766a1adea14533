// Filling the result list from a 10 MB search answer of 20,000 records, end to end as a search
// does it after the answer has arrived: UTF-8 to code page 936, the song pattern, the tidying,
// and 20,000 rows of seven cells into the in-memory window. Then the conversion alone.
#include <benchmark/benchmark.h>

#include <string>

#include "appshell/memory_window.h"
#include "music/result_list.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr int kRecords = 20'000;

// One record of about 520 bytes in the service's compact layout (UTF-8, as it arrives).
std::string SongRecord(int id) {
  static const char* kNames[] = {"晴空下的约定", "海边的风（现场版）", "夜航船", "Rain?Song"};
  static const char* kArtists[] = {"林沐川;苏晚晴", "林沐川", "周远山;白露"};
  const std::string n = std::to_string(id);
  const std::string url = "http://dl.music.example/file/" + n + "/a8f3c61e9d0b47f2";
  return "{\"SongId\":\"" + n + "\",\"SongName\":\"" + kNames[id % 4] + "\",\"Artist\":\"" +
         kArtists[id % 3] +
         "\",\"Album\":\"夏夜专辑\",\"Length\":\"04:" + std::to_string(10 + id % 50) +
         "\",\"Pic\":\"http://img.music.example/cover/" + n + ".jpg?size=300x300\",\"FlacUrl\":\"" +
         (id % 7 == 0 ? std::string() : url + ".flac?token=7e2d49b1c08f") + "\",\"SqUrl\":\"" +
         url + "_sq.flac?token=7e2d49b1c08f\",\"HqUrl\":\"" + url +
         ".mp3?br=320&token=7e2d49b1c08f\",\"LqUrl\":\"" + url +
         ".mp3?br=128&token=7e2d49b1c08f\"}";
}

const std::string& Utf8Answer() {
  static const std::string answer = [] {
    std::string text = "{\"code\":200,\"msg\":\"ok\",\"data\":[";
    for (int id = 1; id <= kRecords; ++id) text += (id > 1 ? "," : "") + SongRecord(id);
    return text + "]}";
  }();
  return answer;
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
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.counters["answer_MB"] = static_cast<double>(answer.size()) / 1e6;
}
BENCHMARK(BM_FillResultListFromUtf8Answer)->Unit(benchmark::kMillisecond);

void BM_Utf8ToGbkOfTheAnswer(benchmark::State& state) {
  const std::string& answer = Utf8Answer();
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(answer));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_Utf8ToGbkOfTheAnswer)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qoravel

BENCHMARK_MAIN();
