#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "textcore/codepage.h"
#include "textcore/text.h"

namespace qoravel {
namespace {

// The two patterns the system runs, exactly as stored.
const Text kSongPattern =
    "SongName#引号:#引号(.*?)#引号(.*?)Artist#引号:#引号(.*?)#引号(.*?)Length#引号:#引号(.*?)#引号("
    ".*?)"
    "FlacUrl#引号:#引号(.*?)#引号(.*?)SqUrl#引号:#引号(.*?)#引号,#引号HqUrl#引号:#引号(.*?)#引号,"
    "#引号LqUrl#引号:#引号(.*?)#引号"_gbk;
const Text kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

struct Song {
  Text name, artist, length, flac, sq, hq, lq;
};

// One record of the service's compact JSON answer, with the keys the pattern skips over.
Text SongRecord(const Song& song, int id) {
  const Text quoted = "\"";
  auto field = [&](const char* key, const Text& value) {
    return TextConcat(quoted, key, "\":\"", value, quoted);
  };
  return TextConcat("{", field("SongId", std::to_string(id)), ",", field("SongName", song.name),
                    ",", field("Artist", song.artist), ",", field("Album", "夏夜专辑"_gbk), ",",
                    field("Length", song.length), ",", field("Pic", "http://img.example/p.jpg"),
                    ",", field("FlacUrl", song.flac), ",", field("SqUrl", song.sq), ",",
                    field("HqUrl", song.hq), ",", field("LqUrl", song.lq), "}");
}

Text Repeat(const Text& text, int times) {
  Text repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

Text SongAnswer(const std::vector<Song>& songs) {
  Text answer = "{\"code\":200,\"msg\":\"ok\",\"data\":[";
  for (std::size_t i = 0; i < songs.size(); ++i) {
    if (i > 0) answer += ",";
    answer += SongRecord(songs[i], static_cast<int>(i) + 1);
  }
  return answer + "]}";
}

TEST(RegexObjectTest, SongPatternReadsEveryRecordOfAnAnswer) {
  const std::vector<Song> songs = {
      {"晴空下的约定"_gbk, "林沐川;苏晚晴"_gbk, "04:12", "http://dl.example/1.flac",
       "http://dl.example/1_sq.flac", "http://dl.example/1.mp3?br=320",
       "http://dl.example/1.mp3?br=128"},
      {"Rain?Song"_gbk, "林沐川"_gbk, "03:05", "", "", "http://dl.example/2.mp3?br=320",
       "http://dl.example/2.mp3?br=128"},
      {"海边的风（现场版）"_gbk, "Ａｌｉｃｅ"_gbk, "05:47", "http://dl.example/3.flac",
       "http://dl.example/3_sq.flac", "http://dl.example/3.mp3?br=320", ""},
  };
  RegexObject regex;
  ASSERT_TRUE(regex.CompileAndExecute(kSongPattern, SongAnswer(songs), false, false, true, true));
  ASSERT_EQ(regex.MatchCount(), 3);
  EXPECT_EQ(regex.SubMatchCount(), 11);
  for (int i = 1; i <= 3; ++i) {
    const Song& song = songs[static_cast<std::size_t>(i - 1)];
    SCOPED_TRACE(i);
    EXPECT_EQ(regex.SubMatchText(i, 1), song.name);
    EXPECT_EQ(regex.SubMatchText(i, 3), song.artist);
    EXPECT_EQ(regex.SubMatchText(i, 5), song.length);
    EXPECT_EQ(regex.SubMatchText(i, 7), song.flac);
    EXPECT_EQ(regex.SubMatchText(i, 9), song.sq);
    EXPECT_EQ(regex.SubMatchText(i, 10), song.hq);
    EXPECT_EQ(regex.SubMatchText(i, 11), song.lq);
    // The lazy groups between the keys span only the keys skipped on the way.
    EXPECT_EQ(regex.SubMatchText(i, 2), ",\"");
    EXPECT_EQ(regex.SubMatchText(i, 4), ",\"Album\":\"夏夜专辑\",\""_gbk);
    EXPECT_EQ(regex.SubMatchText(i, 8), ",\"");
  }
  EXPECT_EQ(regex.GetPattern().find("#"), Text::npos);
}

TEST(RegexObjectTest, CharsetPatternReadsTheDeclaredCharset) {
  struct Case {
    Text head;
    Text charset;  // empty: no match
  };
  const std::vector<Case> cases = {
      {"<html><head><meta charset='utf-8'><title>x</title>", "utf-8"},
      {"<meta http-equiv='Content-Type' content='text/html; charset=gb2312'>", "gb2312"},
      {"<META CONTENT='text/html; CHARSET=UTF-8'>", "UTF-8"},
      {"<title>音乐搜索</title><meta name=\"a\" charset=\"big5\">"_gbk, "big5"},
      {"<meta charset=iso-8859-1><meta charset=utf-8>", "iso-8859-1"},
      {"<meta\ncharset=utf-8>", ""},
      {"<meta\rcharset=utf-8>", ""},
      {"<meta name=x charset=\"中文\">"_gbk, ""},  // \w holds ASCII word characters only
      {"{\"code\":200,\"data\":[]}", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.head);
    RegexObject regex;
    ASSERT_TRUE(regex.CompileAndExecute(kCharsetPattern, c.head));
    EXPECT_EQ(regex.SubMatchText(1, 1), c.charset);
    EXPECT_EQ(regex.SubMatchCount(), c.charset.empty() ? 0 : 1);
  }
}

TEST(RegexObjectTest, SwitchesAndDialect) {
  struct Case {
    const char* name;
    Text pattern;
    Text subject;
    bool caseSensitive, multiline, global;
    std::vector<Text> matches;
  };
  const std::vector<Case> cases = {
      {"defaults ignore case",
       "WORD",
       "word Word wOrD",
       false,
       true,
       true,
       {"word", "Word", "wOrD"}},
      {"case-sensitive", "WORD", "word WORD", true, true, true, {"WORD"}},
      {"case of wide letters", "ａｂｃσ"_gbk, "ＡＢＣΣ"_gbk, false, true, true, {"ＡＢＣΣ"_gbk}},
      {"not global", "o", "foo", false, true, false, {"o"}},
      {"multiline anchors", "^b", "a\nb\r\nb", false, true, true, {"b", "b"}},
      {"without multiline", "^b", "a\nb", false, false, true, {}},
      {"dot stops at CR and LF", "a.b", "a\rb a\nb a b", false, true, true, {"a b"}},
      {"lazy quantifiers", "<(.+?)>", "<a><bc>", false, true, true, {"<a>", "<bc>"}},
      {"ascii word class", "\\w+", "中文abc_9文"_gbk, false, true, true, {"abc_9"}},
      {"characters, not bytes", "^.$", "中"_gbk, false, true, true, {"中"_gbk}},
      {"empty matches advance", "x*", "axb", false, true, true, {"", "x", "", ""}},
      {"lazy empty matches", "a*?", "aa", false, true, true, {"", "", ""}},
      {"empty match after a wide character", "x*", "中"_gbk, false, true, true, {"", ""}},
      {"empty pattern", "", "ab", false, true, true, {"", "", ""}},
      {"backslash u", "\\u4e2d", "文中"_gbk, false, true, true, {"中"_gbk}},
      {"dollar only at the very end", "b$", "ab\n", false, false, true, {}},
      {"negated empty class", "a[^]b", "a\nb", false, true, true, {"a\nb"}},
      {"empty class", "a[]", "a", false, true, true, {}},
      {"reference to an unset group", "(a)?\\1b", "b", false, true, true, {"b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    ASSERT_TRUE(
        regex.CompileAndExecute(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global));
    ASSERT_EQ(regex.MatchCount(), static_cast<int>(c.matches.size()));
    for (int i = 1; i <= regex.MatchCount(); ++i) {
      EXPECT_EQ(regex.MatchText(i), c.matches[static_cast<std::size_t>(i - 1)]);
    }
  }
}

TEST(RegexObjectTest, PatternsTheEngineRefusesGiveFalse) {
  for (const Text pattern : {"(a", "a)", "[a", "a{2,1}", "*a", "\\C"}) {
    SCOPED_TRACE(pattern);
    RegexObject regex;
    EXPECT_FALSE(regex.CompileAndExecute(pattern, "aaa"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubMatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.ReplaceMatches("x"), "");
    EXPECT_EQ(regex.GetPattern(), pattern);
  }
}

TEST(RegexObjectTest, RunawaySubjectsGiveFalse) {
  struct Case {
    const char* name;
    Text pattern;
    Text subject;
  };
  const std::vector<Case> cases = {
      {"nested repeat", "(a+)+$", Text(40, 'a') + "!"},
      {"alternation", "(a|aa)+$", Text(60, 'a') + "!"},
      {"after a first match", "b|(a+)+$", "b" + Text(40, 'a') + "!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    EXPECT_FALSE(regex.CompileAndExecute(c.pattern, c.subject));
    EXPECT_EQ(regex.MatchCount(), 0);
  }
  // The same pattern over an honest subject runs.
  RegexObject regex;
  EXPECT_TRUE(regex.CompileAndExecute("(a+)+$", Text(40, 'a')));
  EXPECT_EQ(regex.MatchCount(), 1);
}

TEST(RegexObjectTest, ValidPatternThatFindsNothing) {
  RegexObject regex;
  ASSERT_TRUE(regex.CompileAndExecute("(x)(y)", "abc"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.ReplaceMatches("z"), "abc");
}

TEST(RegexObjectTest, QuoteMarkers) {
  const Text pattern = "#引号(\\w+)#引号"_gbk;
  const Text subject = "say \"hi\" #引号yo#引号"_gbk;
  struct Case {
    bool quoteMarkers;
    Text engineSees;
    Text group;
  };
  for (const Case& c : {Case{true, "\"(\\w+)\"", "hi"}, Case{false, pattern, "yo"}}) {
    SCOPED_TRACE(c.quoteMarkers);
    RegexObject regex;
    ASSERT_TRUE(regex.CompileAndExecute(pattern, subject, false, true, true, c.quoteMarkers));
    EXPECT_EQ(regex.GetPattern(), c.engineSees);
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubMatchText(1, 1), c.group);
  }
}

TEST(RegexObjectTest, IndexesOutsideTheirRangeGiveEmptyText) {
  RegexObject regex;
  ASSERT_TRUE(regex.CompileAndExecute("(a)(b)?", "a ab"));
  ASSERT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.MatchText(1), "a");
  EXPECT_EQ(regex.MatchText(2), "ab");
  EXPECT_EQ(regex.SubMatchText(2, 2), "b");
  EXPECT_EQ(regex.SubMatchText(1, 2), "");  // took no part
  for (const int index : {0, -1, 3}) {
    SCOPED_TRACE(index);
    int position = 99;
    EXPECT_EQ(regex.MatchText(index, &position), "");
    EXPECT_EQ(position, -1);
    EXPECT_EQ(regex.SubMatchText(index, 1), "");
  }
  for (const int group : {0, -1, 3}) {
    SCOPED_TRACE(group);
    EXPECT_EQ(regex.SubMatchText(1, group), "");
  }
}

TEST(RegexObjectTest, QueriesBeforeAnyRunAreEmpty) {
  RegexObject regex;
  regex.DoNothing();
  int position = 99;
  EXPECT_EQ(regex.GetPattern(), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
}

TEST(RegexObjectTest, ChineseTextComesBackAsTheSubjectsBytes) {
  const Text subject = "歌手：林沐川；专辑：夏夜 €5"_gbk;
  RegexObject regex;
  ASSERT_TRUE(regex.CompileAndExecute("歌手：(.+?)；.*(€\\d)"_gbk, subject));
  ASSERT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.MatchText(1), subject);
  EXPECT_EQ(regex.SubMatchText(1, 1), "林沐川"_gbk);
  EXPECT_EQ(regex.SubMatchText(1, 2), "€5"_gbk);
}

TEST(RegexObjectTest, SecondRunReplacesTheFirst) {
  RegexObject regex;
  ASSERT_TRUE(regex.CompileAndExecute("(a)(b)", "ab ab ab"));
  ASSERT_TRUE(regex.CompileAndExecute("c", "xc"));
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "c");
  EXPECT_EQ(regex.GetPattern(), "c");
  EXPECT_FALSE(regex.CompileAndExecute("(", "xc"));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, MatchPositionsAreByteOffsetsInTheSubject) {
  struct Case {
    const char* name;
    Text pattern;
    Text subject;
    std::vector<int> positions;
  };
  const std::vector<Case> cases = {
      {"match at the start", "ab", "abc", {0}},
      {"after two-byte characters", "x", "a中文x"_gbk, {5}},
      {"same text earlier", "ab$", "中文ab ab"_gbk, {7}},
      {"empty matches", "x*", "中x"_gbk, {0, 2, 3}},
      {"Chinese match", "文+"_gbk, "a中文文"_gbk, {3}},
      {"far into a long subject",
       "x",
       Repeat("中"_gbk, 5000) + "ax" + Repeat("文"_gbk, 3000) + "x",
       {10001, 16002}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    ASSERT_TRUE(regex.CompileAndExecute(c.pattern, c.subject));
    ASSERT_EQ(regex.MatchCount(), static_cast<int>(c.positions.size()));
    for (int i = 1; i <= regex.MatchCount(); ++i) {
      int position = -99;
      const Text text = regex.MatchText(i, &position);
      EXPECT_EQ(position, c.positions[static_cast<std::size_t>(i - 1)]);
      EXPECT_EQ(TextMid(c.subject, position + 1, TextLength(text)), text);
    }
  }
}

TEST(RegexObjectTest, GroupPositionsSearchFromTheMatchWithTheObjectsCaseSwitch) {
  struct Case {
    const char* name;
    Text pattern;
    Text subject;
    bool caseSensitive;
    int group;
    int position;
  };
  const std::vector<Case> cases = {
      {"ignoring case finds the first form", "(a)(a)", "中Aa"_gbk, false, 2, 2},
      {"case-sensitive compares exactly", "(A)(a)", "中Aa"_gbk, true, 2, 3},
      {"group inside the match", "x(y)", "中xy"_gbk, false, 1, 3},
      {"group that took no part", "x(y)?", "ab x"_gbk, false, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    ASSERT_TRUE(regex.CompileAndExecute(c.pattern, c.subject, c.caseSensitive));
    int position = -99;
    (void)regex.SubMatchText(1, c.group, &position);
    EXPECT_EQ(position, c.position);
  }
}

TEST(RegexObjectTest, ReplaceMatchesUsesTheEcmaScriptTemplate) {
  struct Case {
    Text pattern;
    Text replacement;
    Text result;
    bool global = true;
  };
  // Subject "a1b 22c": matches "1" (group 2 unset) and "22".
  const std::vector<Case> cases = {
      {"(\\d)(\\d)?", "[$&]", "a[1]b [22]c"},
      {"(\\d)(\\d)?", "<$1|$2>", "a<1|>b <2|2>c"},
      {"(\\d)(\\d)?", "$$", "a$b $c"},
      {"(\\d)(\\d)?", "($`)", "a(a)b (a1b )c"},
      {"(\\d)(\\d)?", "($')", "a(b 22c)b (c)c"},
      {"(\\d)(\\d)?", "$3$0$00", "a$3$0$00b $3$0$00c"},
      {"(\\d)(\\d)?", "$10|$01", "a10|1b 20|2c"},
      {"(\\d)(\\d)?", "$x$", "a$x$b $x$c"},
      {"\\d", "-", "a-b --c"},
      {"\\d", "-", "a-b 22c", false},
      {"\\d+", "中$&文"_gbk, "a中1文b 中22文c"_gbk},
      {"x*", "-", "-a-1-b- -2-2-c-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replacement);
    RegexObject regex;
    ASSERT_TRUE(regex.CompileAndExecute(c.pattern, "a1b 22c", false, true, c.global));
    EXPECT_EQ(regex.ReplaceMatches(c.replacement), c.result);
  }
  RegexObject chinese;
  ASSERT_TRUE(chinese.CompileAndExecute("林(.)"_gbk, "歌手林沐川"_gbk));
  EXPECT_EQ(chinese.ReplaceMatches("[$1]"), "歌手[沐]川"_gbk);
}

TEST(RegexObjectTest, CloneSharesTheRunAndOutlivesTheOriginal) {
  auto original = std::make_unique<RegexObject>();
  ASSERT_TRUE(original->CompileAndExecute("(b)", "abc"));
  RegexObject copy = original->Clone();
  ASSERT_TRUE(original->CompileAndExecute("z", "abc"));
  EXPECT_EQ(original->MatchCount(), 0);
  original.reset();
  EXPECT_EQ(copy.MatchCount(), 1);
  EXPECT_EQ(copy.SubMatchText(1, 1), "b");
  EXPECT_EQ(copy.GetPattern(), "(b)");
  RegexObject moved = std::move(copy);
  EXPECT_EQ(moved.MatchText(1), "b");
}

}  // namespace
}  // namespace qoravel
