#include "music/download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "appshell/memory_window.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::LoopbackServer;
using testing::TempDir;

constexpr int kFlac = 3, kSq = 4, kHq = 5, kLq = 6;

// Holds each worker at its first window call until the test lets it go, so that the test can
// change the selection and the state while a worker has started but not yet run.
class GatedWindow : public MemoryWindow {
 public:
  void SetControlVisible(Control control, bool visible) override {
    if (visible) gate_.wait();
    MemoryWindow::SetControlVisible(control, visible);
  }
  void Open() { release_.set_value(); }

 private:
  std::promise<void> release_;
  std::shared_future<void> gate_ = release_.get_future().share();
};

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& http = server_.server();
    http.Get("/a.mp3", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("song A bytes", "audio/mpeg");
    });
    http.Get("/b.mp3", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(std::string(300000, 'B'), "audio/mpeg");
    });
    http.Get("/missing.mp3", [](const httplib::Request&, httplib::Response& response) {
      response.status = 404;
      response.set_content("<h1>404</h1>", "text/html");
    });
    http.Get("/empty.mp3", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("", "audio/mpeg");
    });
    http.Get("/cut.mp3", [](const httplib::Request&, httplib::Response& response) {
      response.set_content_provider(100000, "audio/mpeg",
                                    [](size_t offset, size_t, httplib::DataSink& sink) {
                                      if (offset > 0) return false;  // closes after 5000 bytes
                                      sink.write(std::string(5000, 'c').data(), 5000);
                                      return true;
                                    });
    });
    http.Get("/slow.mp3", [this](const httplib::Request&, httplib::Response& response) {
      slowArrived_.set_value();
      slowRelease_.wait();
      response.set_content("slow song", "audio/mpeg");
    });
    server_.Start();
    state_.saveFolder = Utf8ToGbk(folder_.path().string());
  }
  void TearDown() override {
    if (!slowReleased_) slowGate_.set_value();
    WaitForDownloads();
  }
  void ReleaseSlowAnswer() {
    slowReleased_ = true;
    slowGate_.set_value();
  }

  // Appends a row: song name, singer, duration and the four addresses.
  void AddRow(MemoryWindow& window, const Text& song, const Text& singer,
              const std::vector<std::string>& paths) {
    const int row = window.InsertRow();
    window.SetCellText(row, 0, song);
    window.SetCellText(row, 1, singer);
    window.SetCellText(row, 2, "03:00");
    for (int i = 0; i < 4; ++i) {
      if (!paths[i].empty()) window.SetCellText(row, kFlac + i, server_.Url(paths[i]));
    }
  }
  std::vector<ShownMessage> Download(MemoryWindow& window, int row, int column) {
    window.SelectRow(row);
    StartDownload(window, state_, column);
    WaitForDownloads();
    return window.Messages();
  }

  std::promise<void> slowArrived_;  // the slow worker has shown the notice and asked
  std::promise<void> slowGate_;
  std::shared_future<void> slowRelease_ = slowGate_.get_future().share();
  bool slowReleased_ = false;
  LoopbackServer server_;
  TempDir folder_;
  AppState state_;
  MemoryWindow window_;
};

MATCHER_P(IsMessage, text, "") { return arg.text == text && arg.icon == kIconInformation; }

TEST_F(DownloadTest, SavesTheChosenQualityAsSingerDashSongMp3) {
  AddRow(window_, "北岸的灯"_gbk, "林沐川、白露"_gbk, {"/b.mp3", "", "", "/a.mp3"});
  EXPECT_THAT(Download(window_, 0, kFlac), ::testing::ElementsAre(IsMessage("下载成功"_gbk)));
  EXPECT_EQ(state_.chosenUrl, server_.Url("/b.mp3"));
  EXPECT_EQ(TempDir::ReadFile(folder_.path() / "林沐川、白露 - 北岸的灯.mp3"),
            std::string(300000, 'B'));
  EXPECT_EQ(TempDir::FileNames(folder_.path()),
            std::vector<std::string>{"林沐川、白露 - 北岸的灯.mp3"});
  EXPECT_FALSE(window_.IsVisible(Control::透明标签3));
}

TEST_F(DownloadTest, NoRowOrAnEmptyCellStartsNothing) {
  AddRow(window_, "S", "A", {"/a.mp3", "", "/a.mp3", ""});
  state_.chosenUrl = "earlier";
  for (auto [row, column] : {std::pair{-1, kFlac}, {0, kSq}, {0, kLq}, {5, kHq}}) {
    window_.SelectRow(row);
    StartDownload(window_, state_, column);
    EXPECT_EQ(RunningDownloads(), 0);
    EXPECT_EQ(state_.chosenUrl, "");
  }
  EXPECT_THAT(window_.Messages(), ::testing::Each(IsMessage("暂无此音质资源"_gbk)));
  EXPECT_EQ(window_.Messages().size(), 4u);
  EXPECT_TRUE(TempDir::FileNames(folder_.path()).empty());
}

// Each of these used to leave an empty, partial or error-page file under the song's name and say
// "下载成功"; now the user hears of the failure and an older file of that name survives.
TEST_F(DownloadTest, AFailedFetchReportsFailureAndKeepsTheExistingFile) {
  const std::string refused =
      "http://127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort()) + "/a.mp3";
  for (const std::string& address :
       {server_.Url("/missing.mp3"), server_.Url("/cut.mp3"), server_.Url("/empty.mp3"), refused,
        std::string("file:///etc/hostname")}) {
    MemoryWindow window;
    const std::filesystem::path existing = folder_.WriteFile("A - S.mp3", "the good old song");
    const int row = window.InsertRow();
    window.SetCellText(row, 0, "S");
    window.SetCellText(row, 1, "A");
    window.SetCellText(row, kHq, address);
    EXPECT_THAT(Download(window, 0, kHq), ::testing::ElementsAre(IsMessage("下载失败"_gbk)))
        << address;
    EXPECT_EQ(TempDir::ReadFile(existing), "the good old song") << address;
    EXPECT_EQ(TempDir::FileNames(folder_.path()), std::vector<std::string>{"A - S.mp3"}) << address;
    EXPECT_FALSE(window.IsVisible(Control::透明标签3));
  }
}

TEST_F(DownloadTest, ANameThatWouldLeaveTheSaveFolderWritesNothing) {
  TempDir outside;
  state_.saveFolder = Utf8ToGbk((folder_.path() / "inner").string());
  std::filesystem::create_directory(folder_.path() / "inner");
  // From inner/ up two levels and into the other folder: ".../outside/x - S.mp3".
  const Text escape = Utf8ToGbk("../../" + outside.path().filename().string() + "/x");
  AddRow(window_, "S", escape, {"", "", "", "/a.mp3"});
  AddRow(window_, "x/../../y", "A", {"", "", "", "/a.mp3"});
  EXPECT_THAT(Download(window_, 0, kLq), ::testing::ElementsAre(IsMessage("下载失败"_gbk)));
  EXPECT_THAT(Download(window_, 1, kLq), ::testing::Each(IsMessage("下载失败"_gbk)));
  EXPECT_TRUE(TempDir::FileNames(folder_.path() / "inner").empty());
  EXPECT_EQ(TempDir::FileNames(folder_.path()), std::vector<std::string>{"inner"});
  EXPECT_TRUE(TempDir::FileNames(outside.path()).empty());
}

TEST_F(DownloadTest, DotsAloneStayInsideTheSaveFolder) {
  AddRow(window_, "..", "..", {"", "", "", "/a.mp3"});
  EXPECT_THAT(Download(window_, 0, kLq), ::testing::ElementsAre(IsMessage("下载成功"_gbk)));
  EXPECT_EQ(TempDir::ReadFile(folder_.path() / ".. - ...mp3"), "song A bytes");
}

TEST_F(DownloadTest, AMissingSaveFolderFails) {
  state_.saveFolder = Utf8ToGbk((folder_.path() / "gone").string());
  AddRow(window_, "S", "A", {"", "", "", "/a.mp3"});
  EXPECT_THAT(Download(window_, 0, kLq), ::testing::ElementsAre(IsMessage("下载失败"_gbk)));
  EXPECT_TRUE(TempDir::FileNames(folder_.path()).empty());
}

// The worker gets its own copies at the moment of the choice: a later choice, folder change or
// selection cannot rename the file or change what it fetches.
TEST_F(DownloadTest, TheWorkerKeepsWhatWasChosenWhenItStarted) {
  GatedWindow window;
  AddRow(window, "First", "One", {"", "", "", "/a.mp3"});
  AddRow(window, "Second", "Two", {"", "", "", "/b.mp3"});
  TempDir elsewhere;
  window.SelectRow(0);
  StartDownload(window, state_, kLq);
  window.SelectRow(1);
  state_.chosenUrl = server_.Url("/b.mp3");
  state_.saveFolder = Utf8ToGbk(elsewhere.path().string());
  window.Open();
  WaitForDownloads();
  EXPECT_THAT(window.Messages(), ::testing::ElementsAre(IsMessage("下载成功"_gbk)));
  EXPECT_EQ(TempDir::ReadFile(folder_.path() / "One - First.mp3"), "song A bytes");
  EXPECT_EQ(TempDir::FileNames(folder_.path()), std::vector<std::string>{"One - First.mp3"});
  EXPECT_TRUE(TempDir::FileNames(elsewhere.path()).empty());
}

TEST_F(DownloadTest, TwoDownloadsAtOnceToDifferentNames) {
  GatedWindow window;
  AddRow(window, "S1", "A", {"", "", "", "/a.mp3"});
  AddRow(window, "S2", "A", {"", "", "", "/b.mp3"});
  window.SelectRow(0);
  StartDownload(window, state_, kLq);
  window.SelectRow(1);
  StartDownload(window, state_, kLq);
  EXPECT_EQ(RunningDownloads(), 2);
  window.Open();
  WaitForDownloads();
  EXPECT_THAT(window.Messages(), ::testing::Each(IsMessage("下载成功"_gbk)));
  EXPECT_EQ(window.Messages().size(), 2u);
  EXPECT_EQ(TempDir::ReadFile(folder_.path() / "A - S1.mp3"), "song A bytes");
  EXPECT_EQ(TempDir::ReadFile(folder_.path() / "A - S2.mp3"), std::string(300000, 'B'));
  EXPECT_FALSE(window.IsVisible(Control::透明标签3));
}

TEST_F(DownloadTest, TwoDownloadsAtOnceToTheSameNameLeaveOneWholeFile) {
  GatedWindow window;
  AddRow(window, "S", "A", {"/a.mp3", "/b.mp3", "", ""});
  window.SelectRow(0);
  StartDownload(window, state_, kFlac);
  StartDownload(window, state_, kSq);
  window.Open();
  WaitForDownloads();
  EXPECT_THAT(window.Messages(), ::testing::Each(IsMessage("下载成功"_gbk)));
  const std::string saved = TempDir::ReadFile(folder_.path() / "A - S.mp3");
  EXPECT_TRUE(saved == "song A bytes" || saved == std::string(300000, 'B')) << saved.size();
  EXPECT_EQ(TempDir::FileNames(folder_.path()), std::vector<std::string>{"A - S.mp3"});
}

// The notice has no count: the first worker to finish hides it while another still runs.
TEST_F(DownloadTest, TheFirstWorkerToFinishHidesTheNotice) {
  AddRow(window_, "Slow", "A", {"", "", "", "/slow.mp3"});
  AddRow(window_, "Fast", "A", {"", "", "", "/a.mp3"});
  window_.SelectRow(0);
  StartDownload(window_, state_, kLq);
  slowArrived_.get_future().wait();
  window_.SelectRow(1);
  StartDownload(window_, state_, kLq);
  // Waits for the fast worker to end; the bound only guards against a hang.
  for (int round = 0; round < 10000 && RunningDownloads() != 1; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_THAT(window_.Messages(), ::testing::ElementsAre(IsMessage("下载成功"_gbk)));
  EXPECT_EQ(RunningDownloads(), 1);
  EXPECT_FALSE(window_.IsVisible(Control::透明标签3));
  ReleaseSlowAnswer();
  WaitForDownloads();
  EXPECT_EQ(TempDir::ReadFile(folder_.path() / "A - Slow.mp3"), "slow song");
}

TEST_F(DownloadTest, ShowsTheNoticeWhileRunningAndReportsProgress) {
  AddRow(window_, "S", "A", {"", "/b.mp3", "", ""});
  bool visibleDuringFetch = false;
  std::int64_t lastReceived = 0, lastTotal = 0;
  window_.SelectRow(0);
  StartDownload(window_, state_, kSq, [&](std::int64_t received, std::int64_t total) {
    visibleDuringFetch = window_.IsVisible(Control::透明标签3);
    lastReceived = received;
    lastTotal = total;
  });
  WaitForDownloads();
  EXPECT_TRUE(visibleDuringFetch);
  EXPECT_EQ(lastReceived, 300000);
  EXPECT_EQ(lastTotal, 300000);
  EXPECT_FALSE(window_.IsVisible(Control::透明标签3));
}

}  // namespace
}  // namespace qoravel
