// RegexObject over a 10 MB compact search answer of 20,000 song records: the song pattern run
// and all seven fields of every match read back, as the result list is filled; then the two
// parts of that cost apart (code page conversion of the subject, the engine alone).
#include <benchmark/benchmark.h>

#include <string>

#include "regex/match_collector.h"
#include "regex/regex_object.h"
#include "textcore/codepage.h"
#include "textcore/text.h"

namespace qoravel {
namespace {

const Text kSongPattern =
    "SongName#引号:#引号(.*?)#引号(.*?)Artist#引号:#引号(.*?)#引号(.*?)Length#引号:#引号(.*?)#引号("
    ".*?)"
    "FlacUrl#引号:#引号(.*?)#引号(.*?)SqUrl#引号:#引号(.*?)#引号,#引号HqUrl#引号:#引号(.*?)#引号,"
    "#引号LqUrl#引号:#引号(.*?)#引号"_gbk;
constexpr int kRecords = 20'000;
constexpr int kFieldGroups[] = {1, 3, 5, 7, 9, 10, 11};

// One record of about 500 bytes in the service's layout, Chinese names included.
Text SongRecord(int id) {
  static const Text kNames[] = {"晴空下的约定"_gbk, "海边的风（现场版）"_gbk, "夜航船"_gbk,
                                "Rain?Song"};
  static const Text kArtists[] = {"林沐川;苏晚晴"_gbk, "林沐川"_gbk, "周远山;Ａｌｉｃｅ"_gbk};
  const std::string n = std::to_string(id);
  const std::string url = "http://dl.music.example/file/" + n + "/a8f3c61e9d0b47f2";
  return TextConcat(
      "{\"SongId\":\"", n, "\",\"SongName\":\"", kNames[id % 4], "\",\"Artist\":\"",
      kArtists[id % 3], "\",\"Album\":\"", "夏夜专辑"_gbk,
      "\",\"Length\":\"04:", std::to_string(10 + id % 50),
      "\",\"Pic\":\"http://img.music.example/cover/", n, ".jpg?size=300x300\",\"FlacUrl\":\"",
      id % 7 == 0 ? std::string() : url + ".flac?token=7e2d49b1c08f", "\",\"SqUrl\":\"", url,
      "_sq.flac?token=7e2d49b1c08f", "\",\"HqUrl\":\"", url, ".mp3?br=320&token=7e2d49b1c08f",
      "\",\"LqUrl\":\"", url, ".mp3?br=128&token=7e2d49b1c08f\"}");
}

const Text& Answer() {
  static const Text answer = [] {
    Text text = "{\"code\":200,\"msg\":\"ok\",\"data\":[";
    for (int id = 1; id <= kRecords; ++id) {
      if (id > 1) text += ",";
      text += SongRecord(id);
    }
    return text + "]}";
  }();
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

BENCHMARK_MAIN();
