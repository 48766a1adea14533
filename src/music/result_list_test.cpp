#include "music/result_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "appshell/memory_window.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using Row = std::vector<Text>;

struct Song {
  Text name, artist, length, flac, sq, hq, lq;
};

// One record in the service's compact layout, with an album between singer and length.
Text Record(const Song& s) {
  return "{\"SongId\":1,\"SongName\":\"" + s.name + "\",\"Artist\":\"" + s.artist +
         "\",\"Album\":\"x\",\"Length\":\"" + s.length + "\",\"FlacUrl\":\"" + s.flac +
         "\",\"SqUrl\":\"" + s.sq + "\",\"HqUrl\":\"" + s.hq + "\",\"LqUrl\":\"" + s.lq + "\"}";
}

Text Answer(const std::vector<Text>& records) {
  Text list;
  for (const Text& record : records) list += (list.empty() ? "" : ",") + record;
  return "{\"code\":200,\"data\":{\"list\":[" + list + "]}}";
}

Row RowOf(const Song& s) { return {s.name, s.artist, s.length, s.flac, s.sq, s.hq, s.lq}; }

std::vector<Row> Rows(MemoryWindow& window) {
  std::vector<Row> rows;
  for (int r = 0; r < window.RowCount(); ++r) {
    Row row;
    for (int c = 0; c < 7; ++c) row.push_back(window.GetCellText(r, c));
    rows.push_back(row);
  }
  return rows;
}

const Song kOne{"北岸的灯"_gbk, "林沐川"_gbk,   "04:12",       "http://h/1/f",
                "http://h/1/s", "http://h/1/h", "http://h/1/l"};
const Song kTwo{"慢车"_gbk, "周一禾"_gbk, "03:51", "", "http://h/2/s", "http://h/2/h", ""};
const Song kThree{"归途"_gbk, "许南风"_gbk, "04:15", "f3", "s3", "h3", "l3"};

class FillResultListTest : public ::testing::Test {
 protected:
  int Fill(const Text& answer) { return FillResultList(window_, state_, answer); }
  MemoryWindow window_;
  AppState state_;
};

TEST_F(FillResultListTest, OneRowPerRecordInTheAnswersOrderAfterClearing) {
  window_.InsertRow();
  window_.InsertRow();
  EXPECT_EQ(Fill(Answer({Record(kOne), Record(kTwo), Record(kThree)})), 3);
  EXPECT_EQ(Rows(window_), (std::vector<Row>{RowOf(kOne), RowOf(kTwo), RowOf(kThree)}));
  EXPECT_TRUE(window_.Messages().empty());
  EXPECT_EQ(state_.lastRow, 2);
  EXPECT_EQ(Row({state_.songName, state_.artist, state_.duration, state_.flacUrl, state_.sqUrl,
                 state_.hqUrl, state_.lqUrl}),
            RowOf(kThree));
}

TEST_F(FillResultListTest, NoRecordEmptiesTheListAndKeepsTheLastSongStaged) {
  ASSERT_EQ(Fill(Answer({Record(kOne)})), 1);
  for (const Text& answer : {Text(), Answer({}), Text("<html>502 Bad Gateway</html>"),
                             Text("{\"SongName\":\"only a name\"}")}) {
    EXPECT_EQ(Fill(answer), 0) << answer;
    EXPECT_EQ(window_.RowCount(), 0) << answer;
  }
  const std::vector<ShownMessage> messages = window_.Messages();
  ASSERT_EQ(messages.size(), 4u);
  for (const ShownMessage& message : messages) {
    EXPECT_EQ(message.text, "匹配失败，请检检查正则语句是否有误，数量：0"_gbk);
    EXPECT_EQ(message.icon, kIconError);
  }
  EXPECT_EQ(state_.songName, kOne.name);
  EXPECT_EQ(state_.lqUrl, kOne.lq);
}

TEST_F(FillResultListTest, TidiesOnlyTheSongNameAndTheSinger) {
  const Song odd{"为什么?是我??"_gbk,
                 "林沐川;周一禾;白露"_gbk,
                 "0?:3;",
                 "http://h/?a=1;b=2",
                 "s?;",
                 "h?;",
                 "l?;"};
  ASSERT_EQ(Fill(Answer({Record(odd)})), 1);
  EXPECT_EQ(Rows(window_)[0], (Row{"为什么 是我  "_gbk, "林沐川、周一禾、白露"_gbk, "0?:3;",
                                   "http://h/?a=1;b=2", "s?;", "h?;", "l?;"}));
}

TEST_F(FillResultListTest, KeysMatchInAnyCase) {
  Text lower = Record(kOne), upper = Record(kTwo);
  for (const char* key : {"SongName", "Artist", "Length", "FlacUrl", "SqUrl", "HqUrl", "LqUrl"}) {
    std::string small = key, capitals = key;
    for (char& c : small) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : capitals) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    lower.replace(lower.find(key), small.size(), small);
    upper.replace(upper.find(key), capitals.size(), capitals);
  }
  EXPECT_EQ(Fill(Answer({lower, upper})), 2);
  EXPECT_EQ(Rows(window_), (std::vector<Row>{RowOf(kOne), RowOf(kTwo)}));
}

TEST_F(FillResultListTest, ValuesAreTakenVerbatimAndEndAtAnyQuote) {
  const Text record =
      R"({"SongName":"say \"hi\"","Artist":"A","Length":"1","FlacUrl":"http:\/\/h\/f","SqUrl":"\u6797","HqUrl":"","LqUrl":"l\\"})";
  ASSERT_EQ(Fill(Answer({record})), 1);
  EXPECT_EQ(Rows(window_)[0],
            (Row{"say \\", "A", "1", "http:\\/\\/h\\/f", "\\u6797", "", "l\\\\"}));
}

TEST_F(FillResultListTest, ARecordMissingAKeyMergesWithTheNext) {
  Text noLength = Record(kOne);
  noLength.erase(noLength.find("\"Length\""), std::string("\"Length\":\"04:12\",").size());
  ASSERT_EQ(Fill(Answer({noLength, Record(kTwo)})), 1);
  EXPECT_EQ(Rows(window_)[0],
            (Row{kOne.name, kOne.artist, kTwo.length, kTwo.flac, kTwo.sq, kTwo.hq, kTwo.lq}));

  const Text noSongName =
      R"({"Artist":"A","Length":"1","FlacUrl":"f","SqUrl":"s","HqUrl":"h","LqUrl":"l"})";
  EXPECT_EQ(Fill(Answer({noSongName, Record(kThree)})), 1);
  EXPECT_EQ(Rows(window_), std::vector<Row>{RowOf(kThree)});
}

TEST_F(FillResultListTest, WhitespaceBeforeHqOrLqRunsTheValueOn) {
  Text spaced = Record(kOne);
  spaced.replace(spaced.find(",\"HqUrl\""), 1, ", ");
  EXPECT_EQ(Fill(Answer({spaced})), 0);
  EXPECT_EQ(Fill(Answer({spaced, Record(kTwo)})), 1);
  const Row row = Rows(window_)[0];
  EXPECT_EQ(row[0], kOne.name);
  EXPECT_EQ(row[4].rfind("http://h/1/s\", \"HqUrl\":\"http://h/1/h\"", 0), 0u) << row[4];
  EXPECT_EQ(row[5], kTwo.hq);
  EXPECT_EQ(row[6], kTwo.lq);
}

// An answer on which the engine would run away counts as a pattern that cannot run.
TEST_F(FillResultListTest, ARunawayAnswerReportsThePatternFailure) {
  window_.InsertRow();
  Text answer;
  for (int i = 0; i < 20000; ++i) answer += "\"SongName\":\"x\",\"Artist\":\"y\",";
  EXPECT_EQ(Fill(answer), 0);
  EXPECT_EQ(window_.RowCount(), 0);
  ASSERT_EQ(window_.Messages().size(), 1u);
  EXPECT_EQ(window_.Messages()[0].text, "正则创建失败，请检查正则表达式语句是否有误！"_gbk);
  EXPECT_EQ(window_.Messages()[0].icon, kIconError);
}

TEST(ReplacePairsTest, AppliesThePairsInTurn) {
  const struct {
    Text text;
    std::optional<int> count;
    int start;
    bool caseSensitive;
    std::vector<Text> pairs;
    Text expected;
  } cases[] = {
      {"????", {}, 0, false, {"?", " "}, "    "},
      {"a;b;c", {}, 0, false, {";", "、"_gbk}, "a、b、c"_gbk},
      {"abc", {}, 0, false, {"a", "b", "b", "c"}, "ccc"},  // a later pair sees earlier output
      {"aXbXcX", 1, 0, false, {"X", "-", "b", "B"}, "a-BXcX"},
      {"aXbX", 0, 0, false, {"X", "-"}, "aXbX"},  // a count of 0 given replaces nothing
      {"xAxa", {}, 0, false, {"a", "b"}, "xbxb"},
      {"xAxa", {}, 0, true, {"a", "b"}, "xAxb"},
      {"aaaa", {}, 3, false, {"a", "b"}, "aabb"},
      {"a1b2c3d4e5", {}, 0, false, {"1", "", "2", "", "3", "", "4", "", "5", "!"}, "abcde!"},
      {"same", {}, 0, false, {"", "x"}, "same"},
  };
  for (const auto& c : cases) {
    std::vector<Text> p = c.pairs;
    p.resize(10);
    EXPECT_EQ(ReplacePairs(c.text, c.count, c.start, c.caseSensitive, p[0], p[1], p[2], p[3], p[4],
                           p[5], p[6], p[7], p[8], p[9]),
              c.expected)
        << c.text;
  }
}

}  // namespace
}  // namespace qoravel
