#include "music/search.h"

#include <gtest/gtest.h>

#include <mutex>

#include "appshell/memory_window.h"
#include "http/http_request.h"
#include "music/demo_catalogue.h"
#include "music/demo_service.h"
#include "testing/loopback_server.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::LoopbackServer;

const Text kNoMatch = "匹配失败，请检检查正则语句是否有误，数量：0"_gbk;

TEST(SearchAddressTest, EncodesEveryByteOfTheKeywordsUtf8Form) {
  const Text prefix =
      "http://h:1/music/search/wy/1?format=json&sign=7e2d49b1c08f365ad4e91b7c2f06a835&keyword=";
  const struct {
    Text keyword, encoded;
  } cases[] = {
      {"ab", "%61%62"},
      {"中"_gbk, "%E4%B8%AD"},
      {"a b+c", "%61%20%62%2B%63"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SearchAddress("h:1", c.keyword), prefix + c.encoded);
}

TEST(SearchSongsTest, FillsTheListFromTheDemoService) {
  DemoService demo;
  ASSERT_TRUE(demo.Start());
  MemoryWindow window;
  AppState state;
  SearchSongs(window, state, demo.host());  // the preset keyword 林沐川
  int expected = 0;
  for (const DemoSong& song : DemoCatalogue()) {
    expected += song.artist.find("林沐川") != std::string_view::npos;
  }
  ASSERT_EQ(window.RowCount(), expected);
  EXPECT_EQ(window.GetCellText(0, 0), "北岸的灯"_gbk);
  EXPECT_EQ(window.GetCellText(0, 1), "林沐川"_gbk);
  EXPECT_EQ(window.GetCellText(0, 6), "http://" + demo.host() + "/music/file/1/lq.mp3");
  EXPECT_EQ(window.GetCellText(2, 0), "你听见了吗 "_gbk);
  EXPECT_EQ(window.GetCellText(3, 1), "林沐川、苏晚晴"_gbk);
  EXPECT_EQ(window.GetCellText(3, 3), "");
  EXPECT_TRUE(window.Messages().empty());
}

// A scripted service: answers every search with the body the test sets and records the target.
class ScriptedServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().Get(
        "/music/search/wy/1", [this](const httplib::Request& request, httplib::Response& response) {
          std::lock_guard lock(mutex_);
          targets_.push_back(request.target);
          response.status = status_;
          response.set_content(bodies_.empty() ? "" : bodies_.front(), "application/json");
          if (bodies_.size() > 1) bodies_.erase(bodies_.begin());
        });
    server_.Start();
  }
  void Answer(std::vector<std::string> bodies, int status = 200) {
    std::lock_guard lock(mutex_);
    bodies_ = std::move(bodies);
    status_ = status;
  }
  std::vector<std::string> Targets() {
    std::lock_guard lock(mutex_);
    return targets_;
  }

  LoopbackServer server_;
  MemoryWindow window_;
  AppState state_;
  std::mutex mutex_;
  std::vector<std::string> bodies_;
  int status_ = 200;
  std::vector<std::string> targets_;
};

std::string Record(const std::string& name) {
  return R"({"SongName":")" + name +
         R"(","Artist":"歌手","Length":"03:00","FlacUrl":"f","SqUrl":"s","HqUrl":"h","LqUrl":"l"})";
}

TEST_F(ScriptedServiceTest, SendsTheKeywordAndReadsTheAnswerAsUtf8) {
  Answer({"{\"list\":[" + Record("第一首") + "," + Record("第二?首") + "]}"});
  window_.SetControlText(Control::编辑框_搜索, "中 a"_gbk);
  SearchSongs(window_, state_, server_.host());
  EXPECT_EQ(Targets(),
            std::vector<std::string>{"/music/search/wy/1?format=json&sign="
                                     "7e2d49b1c08f365ad4e91b7c2f06a835&keyword=%E4%B8%AD%20%61"});
  ASSERT_EQ(window_.RowCount(), 2);
  EXPECT_EQ(window_.GetCellText(1, 0), "第二 首"_gbk);
  EXPECT_EQ(window_.GetCellText(1, 1), "歌手"_gbk);
}

TEST_F(ScriptedServiceTest, HostileAnswersGiveTheirRowsOrTheNoMatchMessage) {
  const struct {
    std::string body;
    int rows;
  } cases[] = {
      {"", 0},
      {"<html><body>502 Bad Gateway</body></html>", 0},
      {"{\"code\":200,\"data\":[]}", 0},
      {R"({"SongName":"a","Artist":"b"})", 0},
      {R"([{"songname":"a","artist":"b","length":"1","flacurl":"","squrl":"","hqurl":"","lqurl":""}])",
       1},
      {R"([{"SONGNAME":"a\"b","ARTIST":"c","LENGTH":"1","FLACURL":"","SQURL":"","HQURL":"","LQURL":""}])",
       1},
      {"[" + Record("一") + ",{\"SongName\":\"无键\"}," + Record("二") + "]", 2},
  };
  for (const auto& c : cases) {
    MemoryWindow window;
    window.InsertRow();
    Answer({c.body});
    SearchSongs(window, state_, server_.host());
    EXPECT_EQ(window.RowCount(), c.rows) << c.body;
    const std::vector<ShownMessage> messages = window.Messages();
    if (c.rows == 0) {
      ASSERT_EQ(messages.size(), 1u) << c.body;
      EXPECT_EQ(messages[0].text, kNoMatch);
      EXPECT_EQ(messages[0].icon, kIconError);
    } else {
      EXPECT_TRUE(messages.empty()) << c.body;
    }
  }
}

TEST_F(ScriptedServiceTest, AnUnreachableServiceLooksLikeNoMatch) {
  window_.InsertRow();
  SearchSongs(window_, state_, "127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort()));
  EXPECT_EQ(window_.RowCount(), 0);
  ASSERT_EQ(window_.Messages().size(), 1u);
  EXPECT_EQ(window_.Messages()[0].text, kNoMatch);
}

// A click processed while the first search waits runs a whole second search inside it; the
// outer one then replaces the list with its own answer.
TEST_F(ScriptedServiceTest, ANestedSearchCompletesFirstAndTheOuterOneHasTheLastWord) {
  Answer({"[" + Record("外层") + "]", "[" + Record("内层一") + "," + Record("内层二") + "]"});
  int pumped = 0;
  int rowsAfterInner = -1;
  window_.OnPendingMessages([&] {
    if (++pumped != 1) return;
    window_.SetControlText(Control::编辑框_搜索, "inner");
    SearchSongs(window_, state_, server_.host());
    rowsAfterInner = window_.RowCount();
  });
  window_.SetControlText(Control::编辑框_搜索, "outer");
  SearchSongs(window_, state_, server_.host());
  EXPECT_EQ(Targets().size(), 2u);
  EXPECT_EQ(rowsAfterInner, 2);
  ASSERT_EQ(window_.RowCount(), 1);
  EXPECT_EQ(window_.GetCellText(0, 0), "外层"_gbk);
  EXPECT_EQ(state_.songName, "外层"_gbk);
  EXPECT_TRUE(window_.Messages().empty());

  // Once the searches have ended, requests no longer process this window's messages.
  const int pumpedDuringSearches = pumped;
  (void)HttpRequest(server_.Url("/music/search/wy/1"));
  EXPECT_EQ(pumped, pumpedDuringSearches);
}

}  // namespace
}  // namespace qoravel
