// Throughput of the text primitives on large texts (100 MB against 200 MB shows whether they
// stay linear) and of the code-page conversions on a JSON answer of the music service's shape.
// Each has a peer on the same text: std::string for the primitives (case-sensitive forms, as
// std::string has no other), glibc's iconv for the conversions.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "textcore/codepage.h"
#include "textcore/text.h"

namespace qoravel {
namespace {

constexpr std::size_t kMegabyte = 1000 * 1000;

// One song record as the service sends it, converted to code page 936.
Text SongRecord(int number) {
  const std::string id = std::to_string(100000 + number);
  return Utf8ToGbk("{\"SongName\":\"夜空中的歌 " + id +
                   "\",\"Artist\":\"林沐川\",\"Length\":\"04:" + std::to_string(10 + number % 50) +
                   "\",\"FlacUrl\":\"http://music.example/flac/" + id +
                   ".flac?sign=9f8e7d6c5b4a\",\"SqUrl\":\"http://music.example/sq/" + id +
                   ".mp3\",\"HqUrl\":\"http://music.example/hq/" + id +
                   ".mp3\",\"LqUrl\":\"http://music.example/lq/" + id + ".mp3\"},");
}

// A code page 936 JSON-like text of about megabytes MB, built once per size.
const Text& JsonText(std::size_t megabytes) {
  static std::map<std::size_t, Text> texts;
  Text& text = texts[megabytes];
  if (text.empty()) {
    text.reserve(megabytes * kMegabyte + 1024);
    for (int number = 0; text.size() < megabytes * kMegabyte; ++number) {
      text += SongRecord(number);
    }
  }
  return text;
}

void SetThroughput(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.SetComplexityN(static_cast<std::int64_t>(bytes));
}

void BM_TextReplace(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    Text replaced = TextReplace(text, "music.example", "cdn.example.org", {}, {}, true);
    benchmark::DoNotOptimize(replaced);
  }
  SetThroughput(state, text.size());
}

void BM_TextReplaceIgnoringCase(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    Text replaced = TextReplace(text, "SONGNAME", "Title");
    benchmark::DoNotOptimize(replaced);
  }
  SetThroughput(state, text.size());
}

void BM_TextFindAbsent(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(TextFind(text, "\"Absent\":"));
  }
  SetThroughput(state, text.size());
}

void BM_TextFindAbsentIgnoringCase(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(TextFind(text, "\"ABSENT\":", {}, true));
  }
  SetThroughput(state, text.size());
}

void BM_TextSplit(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    TextArray records = TextSplit(text, "},");
    benchmark::DoNotOptimize(records);
  }
  SetThroughput(state, text.size());
}

void BM_StdStringFindAbsent(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.find("\"Absent\":"));
  }
  SetThroughput(state, text.size());
}

// The loop a program writes without a replace-all: find, append the gap and the replacement.
void BM_StdStringReplace(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  const std::string_view sought = "music.example";
  for (auto _ : state) {
    std::string replaced;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(sought, from)) != std::string::npos;
         from = at + sought.size()) {
      replaced.append(text, from, at - from).append("cdn.example.org");
    }
    replaced.append(text, from);
    benchmark::DoNotOptimize(replaced);
  }
  SetThroughput(state, text.size());
}

void BM_StdStringSplit(benchmark::State& state) {
  const Text& text = JsonText(static_cast<std::size_t>(state.range(0)));
  const std::string_view delimiter = "},";
  for (auto _ : state) {
    std::vector<std::string> records;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(delimiter, from)) != std::string::npos;
         from = at + delimiter.size()) {
      records.emplace_back(text, from, at - from);
    }
    records.emplace_back(text, from);
    benchmark::DoNotOptimize(records);
  }
  SetThroughput(state, text.size());
}

// glibc's iconv over the whole text at once, the output sized for the worst case.
std::string Iconv(iconv_t converter, const std::string& input) {
  std::string output(input.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) return {};
  output.resize(output.size() - outLeft);
  return output;
}

void IconvBenchmark(benchmark::State& state, const char* to, const char* from,
                    const std::string& input) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no such conversion");
    return;
  }
  for (auto _ : state) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string converted = Iconv(converter, input);
    if (converted.empty()) state.SkipWithError("iconv failed");
    benchmark::DoNotOptimize(converted);
  }
  iconv_close(converter);
  SetThroughput(state, input.size());
}

void BM_IconvGbkToUtf8(benchmark::State& state) {
  IconvBenchmark(state, "UTF-8", "CP936", JsonText(10));
}

void BM_IconvUtf8ToGbk(benchmark::State& state) {
  IconvBenchmark(state, "CP936", "UTF-8", GbkToUtf8(JsonText(10)));
}

void BM_GbkToUtf8(benchmark::State& state) {
  const Text& text = JsonText(10);
  for (auto _ : state) {
    Text utf8 = GbkToUtf8(text);
    benchmark::DoNotOptimize(utf8);
  }
  SetThroughput(state, text.size());
}

void BM_Utf8ToGbk(benchmark::State& state) {
  const Text utf8 = GbkToUtf8(JsonText(10));
  for (auto _ : state) {
    Text gbk = Utf8ToGbk(utf8);
    benchmark::DoNotOptimize(gbk);
  }
  SetThroughput(state, utf8.size());
}

// All Chinese: every byte goes through the converter, the worst case for the conversions.
void BM_GbkToUtf8AllChinese(benchmark::State& state) {
  Text text;
  const Text phrase = Utf8ToGbk("林沐川的夜空中的歌");
  while (text.size() < 10 * kMegabyte) text += phrase;
  for (auto _ : state) {
    Text utf8 = GbkToUtf8(text);
    benchmark::DoNotOptimize(utf8);
  }
  SetThroughput(state, text.size());
}

void BM_GbkToUtf16AndBack(benchmark::State& state) {
  const Text& text = JsonText(10);
  for (auto _ : state) {
    Text back = Utf16ToGbk(GbkToUtf16(text));
    benchmark::DoNotOptimize(back);
  }
  SetThroughput(state, text.size());
}

#define LINEAR_SIZES Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN)
// Each figure is followed by its peer's, so that both meet the machine in the same mood.
BENCHMARK(BM_TextReplace)->LINEAR_SIZES;
BENCHMARK(BM_StdStringReplace)->LINEAR_SIZES;
BENCHMARK(BM_TextReplaceIgnoringCase)->LINEAR_SIZES;
BENCHMARK(BM_TextFindAbsent)->LINEAR_SIZES;
BENCHMARK(BM_StdStringFindAbsent)->LINEAR_SIZES;
BENCHMARK(BM_TextFindAbsentIgnoringCase)->LINEAR_SIZES;
BENCHMARK(BM_TextSplit)->LINEAR_SIZES;
BENCHMARK(BM_StdStringSplit)->LINEAR_SIZES;
BENCHMARK(BM_GbkToUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvGbkToUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvUtf8ToGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToUtf8AllChinese)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkToUtf16AndBack)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qoravel

BENCHMARK_MAIN();
