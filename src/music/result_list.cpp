#include "music/result_list.h"

#include "regex/regex_object.h"
#include "textcore/codepage.h"

namespace qoravel {

const Text& SongPattern() {
  static const Text pattern =
      "SongName#引号:#引号(.*?)#引号(.*?)Artist#引号:#引号(.*?)#引号(.*?)Length#引号:#引号(.*?)#"
      "引号(.*?)"
      "FlacUrl#引号:#引号(.*?)#引号(.*?)SqUrl#引号:#引号(.*?)#引号,#引号HqUrl#引号:#引号(.*?)#引号,"
      "#引号"
      "LqUrl#引号:#引号(.*?)#引号"_gbk;
  return pattern;
}

namespace {

constexpr int kListColumns = 7;
// Capturing groups of the song pattern that hold the seven cells, in column order.
constexpr int kFieldGroups[kListColumns] = {1, 3, 5, 7, 9, 10, 11};

}  // namespace

int FillResultList(WindowOps& window, AppState& state, const Text& answer) {
  RegexObject regex;
  window.ClearRows();
  if (!regex.CompileAndExecute(SongPattern(), answer, /*caseSensitive=*/false,
                               /*multiline=*/false, /*global=*/true, /*quoteMarkers=*/true)) {
    window.ShowMessage("正则创建失败，请检查正则表达式语句是否有误！"_gbk, kIconError);
    return 0;
  }
  const int matches = regex.MatchCount();
  if (matches == 0) {
    window.ShowMessage("匹配失败，请检检查正则语句是否有误，数量：0"_gbk, kIconError);
    return 0;
  }
  const Text space = " ";
  const Text enumerationComma = "、"_gbk;
  for (int i = 1; i <= matches; ++i) {
    state.songName = ReplacePairs(regex.SubMatchText(i, kFieldGroups[0]), {}, 0, false, "?", space);
    state.artist =
        ReplacePairs(regex.SubMatchText(i, kFieldGroups[1]), {}, 0, false, ";", enumerationComma);
    state.duration = regex.SubMatchText(i, kFieldGroups[2]);
    state.flacUrl = regex.SubMatchText(i, kFieldGroups[3]);
    state.sqUrl = regex.SubMatchText(i, kFieldGroups[4]);
    state.hqUrl = regex.SubMatchText(i, kFieldGroups[5]);
    state.lqUrl = regex.SubMatchText(i, kFieldGroups[6]);
    state.lastRow = window.InsertRow();
    const Text* row[kListColumns] = {&state.songName, &state.artist, &state.duration,
                                     &state.flacUrl,  &state.sqUrl,  &state.hqUrl,
                                     &state.lqUrl};
    for (int column = 0; column < kListColumns; ++column) {
      window.SetCellText(state.lastRow, column, *row[column]);
    }
  }
  return matches;
}

Text ReplacePairs(const Text& text, std::optional<int> count, int start, bool caseSensitive,
                  const Text& find1, const Text& replacement1, const Text& find2,
                  const Text& replacement2, const Text& find3, const Text& replacement3,
                  const Text& find4, const Text& replacement4, const Text& find5,
                  const Text& replacement5) {
  const int from = start == 0 ? 1 : start;
  const Text* pairs[][2] = {{&find1, &replacement1},
                            {&find2, &replacement2},
                            {&find3, &replacement3},
                            {&find4, &replacement4},
                            {&find5, &replacement5}};
  Text current = text;
  for (const auto& pair : pairs) {
    current = TextReplace(current, *pair[0], *pair[1], from, count, caseSensitive);
  }
  return current;
}

}  // namespace qoravel
