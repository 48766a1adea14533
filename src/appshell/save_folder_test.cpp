#include "appshell/save_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "appshell/memory_window.h"
#include "appshell/settings.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::TempDir;

// A program directory of the test's own, with a Chinese name to exercise the path conversion.
class SaveFolderTest : public ::testing::Test {
 protected:
  SaveFolderTest() : programDir_(dir_.path() / "程序") {
    std::filesystem::create_directory(programDir_);
    OverrideProgramDirectory(Utf8ToGbk(programDir_.string()));
  }
  ~SaveFolderTest() override { OverrideProgramDirectory(std::nullopt); }

  std::filesystem::path settingsFile() const { return programDir_ / "qrvl.ini"; }
  Text programDirectory() const { return Utf8ToGbk(programDir_.string()); }

  // Loads as at start-up into a fresh state and window; returns what the box shows.
  Text loadAtStart() {
    AppState state;
    MemoryWindow window;
    LoadSaveFolder(state, window);
    EXPECT_EQ(state.saveFolder, window.GetControlText(Control::编辑框_保存));
    return state.saveFolder;
  }

  TempDir dir_;
  std::filesystem::path programDir_;
};

TEST_F(SaveFolderTest, WithoutASettingsFileShowsTheProgramDirectoryAndWritesNothing) {
  EXPECT_EQ(loadAtStart(), programDirectory());
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(SaveFolderTest, LoadsTheStoredFolderAndAnEmptyOneAsEmpty) {
  dir_.WriteFile("程序/qrvl.ini", "[a]\na=/srv/音乐\n");
  EXPECT_EQ(loadAtStart(), "/srv/音乐"_gbk);
  dir_.WriteFile("程序/qrvl.ini", "[a]\na=\n");
  EXPECT_EQ(loadAtStart(), "");
  dir_.WriteFile("程序/qrvl.ini", "[a]\nb=/x\n");
  EXPECT_EQ(loadAtStart(), programDirectory());
}

TEST_F(SaveFolderTest, ChangedFolderIsShownStoredAndLoadedNextTime) {
  AppState state;
  MemoryWindow window;
  LoadSaveFolder(state, window);
  Text prompt;
  ChangeSaveFolder(state, window, [&](const Text& asked) {
    prompt = asked;
    return "/srv/歌曲"_gbk;
  });
  EXPECT_EQ(prompt, "请选择要保存的文件夹"_gbk);
  EXPECT_EQ(state.saveFolder, "/srv/歌曲"_gbk);
  EXPECT_EQ(window.GetControlText(Control::编辑框_保存), "/srv/歌曲"_gbk);
  EXPECT_EQ(TempDir::ReadFile(settingsFile()), "[a]\na=/srv/歌曲\n");
  EXPECT_EQ(loadAtStart(), "/srv/歌曲"_gbk);
  EXPECT_TRUE(window.Messages().empty());
}

TEST_F(SaveFolderTest, BrowserClosedWithoutAFolderChangesNothing) {
  AppState state;
  MemoryWindow window;
  LoadSaveFolder(state, window);
  ChangeSaveFolder(state, window, [](const Text&) { return Text(); });
  EXPECT_EQ(state.saveFolder, programDirectory());
  EXPECT_EQ(window.GetControlText(Control::编辑框_保存), programDirectory());
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));

  dir_.WriteFile("程序/qrvl.ini", "[a]\na=/kept\n");
  ChangeSaveFolder(state, window, [](const Text&) { return Text(); });
  EXPECT_EQ(TempDir::ReadFile(settingsFile()), "[a]\na=/kept\n");
}

TEST_F(SaveFolderTest, FoldersReadBackExactlyAsChosen) {
  for (Text folder :
       {Text("/"), Text("/tmp/trailing blank "), Text("/tmp/\"quoted\""), Text("/tmp/it's'")}) {
    AppState state;
    MemoryWindow window;
    ChangeSaveFolder(state, window, [&](const Text&) { return folder; });
    EXPECT_EQ(loadAtStart(), folder);
  }
  EXPECT_EQ(TempDir::ReadFile(settingsFile()), "[a]\na=/tmp/it's'\n");
}

TEST_F(SaveFolderTest, FailedWriteKeepsTheFolderForThisRun) {
  std::filesystem::create_directory(settingsFile());  // a folder where the file should be
  AppState state;
  MemoryWindow window;
  ChangeSaveFolder(state, window, [](const Text&) { return Text("/srv/new"); });
  EXPECT_EQ(state.saveFolder, "/srv/new");
  EXPECT_EQ(window.GetControlText(Control::编辑框_保存), "/srv/new");
  EXPECT_TRUE(window.Messages().empty());
}

}  // namespace
}  // namespace qoravel
