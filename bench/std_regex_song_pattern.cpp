// The song pattern run by std::regex, the peer the report sets beside RegexObject: the same answer
// in code page 936, ignoring case, every match with its seven fields read back as texts.
// std::regex recurses once per character a match spans, so a long match can overflow the stack:
// the report runs this program as a child and retries on fewer records when it dies.
//
//   std_regex_song_pattern [--figures=FILE] [RECORDS] [RUNS]     default: 20000 3
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "figure_file.h"
#include "song_answer.h"
#include "textcore/codepage.h"

namespace {

// The song pattern as the engine receives it, every quote marker already a double quote.
constexpr const char* kSongPattern =
    R"re(SongName":"(.*?)"(.*?)Artist":"(.*?)"(.*?)Length":"(.*?)"(.*?)FlacUrl":"(.*?)"(.*?))re"
    R"re(SqUrl":"(.*?)","HqUrl":"(.*?)","LqUrl":"(.*?)")re";
constexpr int kFieldGroups[] = {1, 3, 5, 7, 9, 10, 11};

}  // namespace

int main(int argc, char** argv) {
  qoravel::bench::FigureFile figures(argc, argv);
  const int records = argc > 1 ? std::atoi(argv[1]) : qoravel::bench::kAnswerRecords;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::string answer = qoravel::Utf8ToGbk(qoravel::bench::SongAnswerUtf8(records));

  for (int run = 0; run < runs; ++run) {
    const auto started = std::chrono::steady_clock::now();
    const std::regex pattern(kSongPattern, std::regex::ECMAScript | std::regex::icase);
    int matches = 0;
    std::size_t fieldBytes = 0;
    for (std::sregex_iterator it(answer.begin(), answer.end(), pattern), end; it != end; ++it) {
      ++matches;
      for (const int group : kFieldGroups) fieldBytes += it->str(group).size();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (matches != records) {
      std::fprintf(stderr, "std::regex found %d of %d records\n", matches, records);
      return 1;
    }
    std::printf("%d records, %zu bytes: %.3f s (%zu field bytes)\n", records, answer.size(),
                seconds, fieldBytes);
    figures.Add("std_regex.seconds", seconds);
    figures.Add("std_regex.megabytes", answer.size() / 1e6);
  }
  return 0;
}
