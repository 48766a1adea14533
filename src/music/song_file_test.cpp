#include "music/song_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::TempDir;

ByteBuffer Bytes(const std::string& text) { return ByteBuffer(text.begin(), text.end()); }

TEST(SongFileNameTest, JoinsThePiecesAsTheyAre) {
  const struct {
    Text folder, singer, song, expected;
  } cases[] = {
      {"/music", "A", "B", "/music/A - B.mp3"},
      {"/music/", "A", "B", "/music//A - B.mp3"},
      {"", "A", "B", "/A - B.mp3"},
      {"/m", "林沐川、白露"_gbk, "北岸 的灯 "_gbk, "/m/林沐川、白露 - 北岸 的灯 .mp3"_gbk},
      {"/m", "..", "..", "/m/.. - ...mp3"},  // never "." or "..": the name always has " - "
      {"/m", "A\\B", "C:D*?", "/m/A\\B - C:D*?.mp3"},
      {"/m", "", "", "/m/ - .mp3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SongFileName(c.folder, c.singer, c.song), c.expected) << c.expected;
  }
}

TEST(SongFileNameTest, RefusesNamesHoldingASeparator) {
  for (auto [singer, song] :
       {std::pair<Text, Text>{"../..", "x"}, {"a", "../../etc/passwd"}, {"a/b", "c"}, {"a", "/"}}) {
    EXPECT_EQ(SongFileName("/m", singer, song), std::nullopt) << singer << " " << song;
  }
}

TEST(WriteBytesToFileTest, CreatesOrReplacesTheFile) {
  TempDir dir;
  const std::filesystem::path existing = dir.WriteFile("old.mp3", "a much longer old content");
  EXPECT_TRUE(WriteBytesToFile(Utf8ToGbk(existing.string()), Bytes("new")));
  EXPECT_EQ(TempDir::ReadFile(existing), "new");
  const Text created = Utf8ToGbk((dir.path() / "林沐川 - 北岸.mp3").string());
  EXPECT_TRUE(WriteBytesToFile(created, Bytes(std::string("a\0b", 3))));
  EXPECT_EQ(TempDir::ReadFile(GbkToUtf8(created)), std::string("a\0b", 3));
  EXPECT_TRUE(WriteBytesToFile(Utf8ToGbk((dir.path() / "empty").string()), {}));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "empty"));
}

TEST(WriteBytesToFileTest, FailsWhereNoFileCanBeWritten) {
  TempDir dir;
  dir.WriteFile("plain", "x");
  const std::string folder = dir.path().string();
  for (const std::string& path : {std::string(), folder + "/missing/a.mp3", folder + "/plain/a.mp3",
                                  folder, folder + "/" + std::string(300, 'a')}) {
    EXPECT_FALSE(WriteBytesToFile(Utf8ToGbk(path), Bytes("x"))) << path;
  }
  EXPECT_EQ(TempDir::FileNames(dir.path()), std::vector<std::string>{"plain"});
}

TEST(WriteBytesToFileTest, LeavesAFileAnotherWriterHolds) {
  TempDir dir;
  const std::filesystem::path file = dir.WriteFile("held.mp3", "kept");
  const int holder = ::open(file.c_str(), O_RDWR);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  EXPECT_FALSE(WriteBytesToFile(Utf8ToGbk(file.string()), Bytes("lost")));
  ::close(holder);
  EXPECT_EQ(TempDir::ReadFile(file), "kept");
}

TEST(PartialFileTest, TakesTheFinalNameOnlyOnCommit) {
  TempDir dir;
  const std::filesystem::path target = dir.WriteFile("A - B.mp3", "old song");
  PartialFile file;
  ASSERT_TRUE(file.Open(Utf8ToGbk(target.string())));
  ASSERT_TRUE(file.Write("new ", 4));
  ASSERT_TRUE(file.Write("song", 4));
  EXPECT_EQ(TempDir::ReadFile(target), "old song");
  EXPECT_EQ(TempDir::FileNames(dir.path()).size(), 2u);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(TempDir::ReadFile(target), "new song");
  EXPECT_EQ(TempDir::FileNames(dir.path()), std::vector<std::string>{"A - B.mp3"});
}

TEST(PartialFileTest, AbandonedOrUnrenamableLeavesNothingBehind) {
  TempDir dir;
  const std::filesystem::path target = dir.WriteFile("A - B.mp3", "old song");
  {
    PartialFile file;
    ASSERT_TRUE(file.Open(Utf8ToGbk(target.string())));
    ASSERT_TRUE(file.Write("half", 4));
  }
  std::filesystem::create_directory(dir.path() / "C - D.mp3");
  PartialFile blocked;
  ASSERT_TRUE(blocked.Open(Utf8ToGbk((dir.path() / "C - D.mp3").string())));
  EXPECT_FALSE(blocked.Commit());
  EXPECT_EQ(TempDir::FileNames(dir.path()), (std::vector<std::string>{"A - B.mp3", "C - D.mp3"}));
  EXPECT_EQ(TempDir::ReadFile(target), "old song");
  PartialFile nowhere;
  EXPECT_FALSE(nowhere.Open(Utf8ToGbk((dir.path() / "missing" / "x.mp3").string())));
}

}  // namespace
}  // namespace qoravel
