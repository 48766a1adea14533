// FillResultList over arbitrary answers into the in-memory window: one row per match of the
// song pattern holding that match's fields, the last song staged, or an empty list and exactly
// one failure message.
// Input: the answer (code page 936 text up to the first NUL).
#include <vector>

#include "appshell/memory_window.h"
#include "fuzz_input.h"
#include "music/result_list.h"
#include "regex/regex_object.h"
#include "textcore/codepage.h"

namespace {

using qoravel::Text;

std::vector<Text> Row(qoravel::MemoryWindow& window, int row) {
  std::vector<Text> cells;
  for (int column = 0; column < qoravel::kColumnCount; ++column) {
    cells.push_back(window.GetCellText(row, column));
  }
  return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qoravel;
  fuzz::FuzzInput input(data, size);
  const Text answer = input.NextText();
  MemoryWindow window;
  window.InsertRow();  // left over from an earlier search
  AppState state;
  state.songName = "earlier";
  const int rows = FillResultList(window, state, answer);
  FUZZ_CHECK(rows == window.RowCount());
  const std::vector<ShownMessage> messages = window.Messages();
  if (rows == 0) {
    static const Text kNoMatch = "匹配失败，请检检查正则语句是否有误，数量：0"_gbk;
    static const Text kNotRun = "正则创建失败，请检查正则表达式语句是否有误！"_gbk;
    FUZZ_CHECK(messages.size() == 1 && messages[0].icon == kIconError);
    FUZZ_CHECK(messages[0].text == kNoMatch || messages[0].text == kNotRun);
    FUZZ_CHECK(state.songName == "earlier");
    return 0;
  }
  FUZZ_CHECK(messages.empty());
  FUZZ_CHECK(state.lastRow == rows - 1);
  FUZZ_CHECK(Row(window, rows - 1) ==
             (std::vector<Text>{state.songName, state.artist, state.duration, state.flacUrl,
                                state.sqUrl, state.hqUrl, state.lqUrl}));
  // Each row holds its match's groups, the song name and the singer tidied.
  RegexObject regex;
  FUZZ_CHECK(regex.CompileAndExecute(SongPattern(), answer, false, false, true, true));
  FUZZ_CHECK(regex.MatchCount() == rows);
  constexpr int kGroups[] = {1, 3, 5, 7, 9, 10, 11};
  for (int row = 0; row < rows; ++row) {
    std::vector<Text> expected;
    for (const int group : kGroups) expected.push_back(regex.SubMatchText(row + 1, group));
    expected[0] = TextReplace(expected[0], "?", " ");
    static const Text kEnumerationComma = "、"_gbk;
    expected[1] = TextReplace(expected[1], ";", kEnumerationComma);
    FUZZ_CHECK(Row(window, row) == expected);
  }
  // A second search with the same answer first clears the list, then fills the same rows.
  const std::vector<Text> last = Row(window, rows - 1);
  FUZZ_CHECK(FillResultList(window, state, answer) == rows && window.RowCount() == rows);
  FUZZ_CHECK(Row(window, rows - 1) == last);
  return 0;
}
