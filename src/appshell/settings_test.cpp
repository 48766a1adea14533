#include "appshell/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::TempDir;

struct ReadCase {
  const char* name;
  std::string file;  // UTF-8 bytes of qrvl.ini
  Text expected;
};

class ReadSettingTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadSettingTest, ReadsSectionAKeyA) {
  TempDir dir;
  Text path = (dir.path() / "qrvl.ini").string();
  dir.WriteFile("qrvl.ini", GetParam().file);
  EXPECT_EQ(ReadSetting(path, "a", "a", "DEF"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    IniFiles, ReadSettingTest,
    ::testing::Values(
        ReadCase{"plain", "[a]\na=/srv/music\n", "/srv/music"},
        ReadCase{"case_insensitive_names", "[A]\nA=/x\n", "/x"},
        ReadCase{"empty_value_is_present", "[a]\na=\n", ""},
        ReadCase{"key_missing", "[a]\nb=/x\n", "DEF"},
        ReadCase{"section_missing", "[b]\na=/x\n", "DEF"},
        ReadCase{"key_without_equals_counts_as_missing", "[a]\na\n", "DEF"},
        ReadCase{"empty_file", "", "DEF"}, ReadCase{"key_before_any_section", "a=/x\n[a]\n", "DEF"},
        ReadCase{"blanks_around_names_and_value", "  [a]  \n\t a \t=  /x y \t\n", "/x y"},
        ReadCase{"double_quotes_dropped", "[a]\na=\"/quoted \"\n", "/quoted "},
        ReadCase{"single_quotes_dropped", "[a]\na='/single'\n", "/single"},
        ReadCase{"unbalanced_quote_kept", "[a]\na=\"/open\n", "\"/open"},
        ReadCase{"mixed_quotes_kept", "[a]\na=\"/x'\n", "\"/x'"},
        ReadCase{"lone_quote_kept", "[a]\na=\"\n", "\""},
        ReadCase{"empty_quotes", "[a]\na=\"\"\n", ""},
        ReadCase{"crlf_lines", "[a]\r\na=/crlf\r\n", "/crlf"},
        ReadCase{"cr_lines", "[a]\ra=/cr\r", "/cr"},
        ReadCase{"no_final_newline", "[a]\na=/last", "/last"},
        ReadCase{"utf8_bom", "\xEF\xBB\xBF[a]\na=/bom\n", "/bom"},
        ReadCase{"semicolon_line_is_another_key", "[a]\n;a=/comment\na=/real\n", "/real"},
        ReadCase{"first_of_two_keys", "[a]\na=/first\na=/second\n", "/first"},
        ReadCase{"only_first_section_searched", "[a]\nb=1\n[a]\na=/second\n", "DEF"},
        ReadCase{"equals_inside_value", "[a]\na=x=y\n", "x=y"},
        ReadCase{"header_up_to_last_bracket", "[a] ; note\na=/x\n", "/x"},
        ReadCase{"blanks_inside_brackets_kept", "[ a ]\na=/x\n", "DEF"},
        ReadCase{"chinese_value", "[a]\na=/音乐/下载\n", "/音乐/下载"_gbk},
        ReadCase{"other_sections_around", "[b]\na=/b\n[a]\nz=1\na=/a\n[c]\na=/c\n", "/a"}),
    [](const auto& info) { return info.param.name; });

TEST(ReadSettingTest, MissingOrUnreadableFileGivesTheDefault) {
  TempDir dir;
  EXPECT_EQ(ReadSetting((dir.path() / "none.ini").string(), "a", "a", "DEF"), "DEF");
  std::filesystem::create_directory(dir.path() / "qrvl.ini");
  EXPECT_EQ(ReadSetting((dir.path() / "qrvl.ini").string(), "a", "a", "DEF"), "DEF");
}

TEST(ReadSettingTest, NamesSkipLeadingControlsAndEmptyNamesGiveEmpty) {
  TempDir dir;
  Text path = dir.WriteFile("qrvl.ini", "[a]\na=/x\n").string();
  EXPECT_EQ(ReadSetting(" \t" + path, "\x01 a", "\n a ", "DEF"), "/x");
  EXPECT_EQ(ReadSetting(path, " \t", "a", "DEF"), "");
  EXPECT_EQ(ReadSetting(path, "a", "", "DEF"), "");
  EXPECT_EQ(ReadSetting("  ", "a", "a", "DEF"), "");
  EXPECT_EQ(ReadSetting((dir.path() / "none.ini").string(), "a", " ", "DEF"), "");
}

TEST(ReadSettingTest, DefaultLosesTrailingBlanksAndQuotes) {
  TempDir dir;
  Text missing = (dir.path() / "none.ini").string();
  EXPECT_EQ(ReadSetting(missing, "a", "a", "/dir  "), "/dir");
  EXPECT_EQ(ReadSetting(missing, "a", "a", "\"/quoted\""), "/quoted");
  EXPECT_EQ(ReadSetting(missing, "a", "a", ""), "");
}

TEST(ReadSettingTest, LongValuesAreCutToTheBufferWithoutSplittingACharacter) {
  TempDir dir;
  Text path = (dir.path() / "qrvl.ini").string();
  dir.WriteFile("qrvl.ini", "[a]\na=" + std::string(20000, 'x') + "\n");
  EXPECT_EQ(ReadSetting(path, "a", "a", ""), Text(kSettingBufferBytes - 1, 'x'));

  std::string chinese;
  for (int i = 0; i < 6000; ++i) chinese += "音";
  dir.WriteFile("qrvl.ini", "[a]\na=" + chinese + "\n");
  Text cut = ReadSetting(path, "a", "a", "");
  EXPECT_EQ(cut.size(), static_cast<size_t>(kSettingBufferBytes - 2));
  EXPECT_EQ(GbkToUtf8(cut), chinese.substr(0, 3 * (kSettingBufferBytes - 2) / 2));

  dir.WriteFile("qrvl.ini", "[a]\na=x" + chinese + "\n");
  EXPECT_EQ(ReadSetting(path, "a", "a", "").size(), static_cast<size_t>(kSettingBufferBytes - 1));

  Text longDefault(kSettingBufferBytes + 5, 'd');
  EXPECT_EQ(ReadSetting((dir.path() / "none.ini").string(), "a", "a", longDefault).size(),
            static_cast<size_t>(kSettingBufferBytes - 1));
}

struct WriteCase {
  const char* name;
  std::string before;  // "" with `exists` false: no file yet
  bool exists;
  Text value;
  std::string after;
};

class WriteSettingTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteSettingTest, WritesSectionAKeyA) {
  TempDir dir;
  Text path = (dir.path() / "qrvl.ini").string();
  if (GetParam().exists) dir.WriteFile("qrvl.ini", GetParam().before);
  EXPECT_TRUE(WriteSetting(path, "a", "a", GetParam().value));
  EXPECT_EQ(TempDir::ReadFile(path), GetParam().after);
  std::string_view readBack = GetParam().value;
  while (readBack.starts_with(' ')) readBack.remove_prefix(1);
  EXPECT_EQ(ReadSetting(path, "a", "a", "DEF"), readBack);
}

INSTANTIATE_TEST_SUITE_P(
    IniFiles, WriteSettingTest,
    ::testing::Values(
        WriteCase{"creates_the_file", "", false, "/new", "[a]\na=/new\n"},
        WriteCase{"replaces_the_value", "[a]\na=/old\n", true, "/new", "[a]\na=/new\n"},
        WriteCase{"empty_value_stays_present", "[a]\na=/old\n", true, "", "[a]\na=\n"},
        WriteCase{"leading_blanks_of_value_dropped", "", false, "  /v", "[a]\na=/v\n"},
        WriteCase{"keeps_everything_else",
                  "; top\n[b]\nx=1\n\n[A]\nother=2\n A = /old \n[c]\ny=3\n", true, "/new",
                  "; top\n[b]\nx=1\n\n[A]\nother=2\nA=/new\n[c]\ny=3\n"},
        WriteCase{"adds_key_at_end_of_section", "[a]\nb=2\n\n[c]\n", true, "/new",
                  "[a]\nb=2\na=/new\n\n[c]\n"},
        WriteCase{"adds_section_after_unterminated_line", "[b]\nx=1", true, "/new",
                  "[b]\nx=1\n[a]\na=/new\n"},
        WriteCase{"follows_crlf_of_the_file", "[b]\r\nx=1\r\n", true, "/new",
                  "[b]\r\nx=1\r\n[a]\r\na=/new\r\n"},
        WriteCase{"keeps_a_utf8_bom", "\xEF\xBB\xBF[a]\na=/old\n", true, "/new",
                  "\xEF\xBB\xBF[a]\na=/new\n"},
        WriteCase{"chinese_written_as_utf8", "", false, "/音乐/下载"_gbk, "[a]\na=/音乐/下载\n"},
        WriteCase{"empty_file", "", true, "/new", "[a]\na=/new\n"}),
    [](const auto& info) { return info.param.name; });

TEST(WriteSettingTest, RefusesWhatWouldCorruptOrCannotBeWritten) {
  TempDir dir;
  Text path = dir.WriteFile("qrvl.ini", "[a]\na=/old\n").string();
  EXPECT_FALSE(WriteSetting(path, "a", "a", "/x\n[b]"));
  EXPECT_FALSE(WriteSetting(path, "a", " ", "/x"));
  EXPECT_FALSE(WriteSetting(path, "", "a", "/x"));
  EXPECT_EQ(TempDir::ReadFile(path), "[a]\na=/old\n");

  EXPECT_FALSE(WriteSetting((dir.path() / "missing" / "qrvl.ini").string(), "a", "a", "/x"));
  std::filesystem::create_directory(dir.path() / "folder.ini");
  EXPECT_FALSE(WriteSetting((dir.path() / "folder.ini").string(), "a", "a", "/x"));
}

TEST(WriteSettingTest, KeepsThePermissionsOfAnExistingFile) {
  TempDir dir;
  Text path = dir.WriteFile("qrvl.ini", "[a]\na=/old\n").string();
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteSetting(path, "a", "a", "/new"));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "no temporary file left behind";
}

TEST(ProgramDirectoryTest, IsTheDirectoryOfTheRunningProgram) {
  Text directory = ProgramDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.front(), '/');
  EXPECT_NE(directory.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(directory) / "appshell_settings_test"));
  EXPECT_EQ(SettingsPath(), directory + "/qrvl.ini");
}

TEST(ProgramDirectoryTest, OverrideIsUsedAndRestored) {
  Text real = ProgramDirectory();
  OverrideProgramDirectory("/opt/音乐"_gbk);
  EXPECT_EQ(ProgramDirectory(), "/opt/音乐"_gbk);
  EXPECT_EQ(SettingsPath(), "/opt/音乐/qrvl.ini"_gbk);
  OverrideProgramDirectory(std::nullopt);
  EXPECT_EQ(ProgramDirectory(), real);
}

}  // namespace
}  // namespace qoravel
