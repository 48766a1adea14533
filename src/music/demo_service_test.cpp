#include "music/demo_service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <set>

#include "music/demo_audio.h"
#include "music/demo_catalogue.h"
#include "regex/regex_object.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr char kSearch[] =
    "/music/search/wy/1?format=json&sign=7e2d49b1c08f365ad4e91b7c2f06a835&keyword=";

// Walks an ID3v2 tag and then MPEG-1 Layer III frames to the last byte; the frame count, or -1
// when the bytes are not such a stream.
int CountMp3Frames(const std::string& bytes, int* kilobits) {
  if (bytes.compare(0, 3, "ID3") != 0 || bytes.size() < 10) return -1;
  std::size_t tagSize = 0;
  for (int i = 6; i < 10; ++i)
    tagSize = (tagSize << 7) | (static_cast<unsigned char>(bytes[i]) & 0x7F);
  static const int kRates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  std::size_t at = 10 + tagSize;
  int frames = 0;
  while (at < bytes.size()) {
    if (at + 4 > bytes.size()) return -1;
    const auto b1 = static_cast<unsigned char>(bytes[at + 1]);
    const auto b2 = static_cast<unsigned char>(bytes[at + 2]);
    if (static_cast<unsigned char>(bytes[at]) != 0xFF || (b1 & 0xFE) != 0xFA) return -1;
    const int index = b2 >> 4;
    if (index == 0 || index == 15 || ((b2 >> 2) & 3) != 0) return -1;  // 44.1 kHz only
    *kilobits = kRates[index];
    at += 144000 * kRates[index] / 44100 + ((b2 >> 1) & 1);
    ++frames;
  }
  return at == bytes.size() ? frames : -1;
}

TEST(DemoCatalogueTest, HoldsTheSongsTheListRulesShow) {
  int byLinMuchuan = 0, lackingAQuality = 0, withQuestionMark = 0, severalSingers = 0;
  std::set<int> ids;
  for (const DemoSong& song : DemoCatalogue()) {
    ids.insert(song.id);
    byLinMuchuan += song.artist.find("林沐川") != std::string_view::npos;
    lackingAQuality += song.qualities != 0xF;
    withQuestionMark += song.name.find('?') != std::string_view::npos;
    severalSingers += song.artist.find(';') != std::string_view::npos;
  }
  EXPECT_GE(DemoCatalogue().size(), 25u);
  EXPECT_EQ(ids.size(), DemoCatalogue().size());
  EXPECT_GE(byLinMuchuan, 3);
  EXPECT_GE(lackingAQuality, 2);
  EXPECT_GE(withQuestionMark, 2);
  EXPECT_GE(severalSingers, 2);
}

TEST(DemoAudioTest, IsAStreamOfWholeFramesAtTheStatedRate) {
  for (int rate : {128, 192, 256, 320}) {
    const std::string mp3 = SilentMp3({rate, 115}, "北岸的灯", "林沐川");
    int kilobits = 0;
    EXPECT_EQ(CountMp3Frames(mp3, &kilobits), 115) << rate;
    EXPECT_EQ(kilobits, rate);
  }
}

TEST(DemoAudioTest, TagCarriesTitleAndSingerInUtf16) {
  const std::string mp3 = SilentMp3({128, 1}, "北", "林");
  // "北" is U+5317, "林" U+6797: little-endian after the byte order mark.
  EXPECT_NE(mp3.find(std::string("TIT2\0\0\0\x05\0\0\x01\xFF\xFE\x17\x53", 15)), std::string::npos);
  EXPECT_NE(mp3.find(std::string("TPE1\0\0\0\x05\0\0\x01\xFF\xFE\x97\x67", 15)), std::string::npos);
}

class DemoServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service_.Start()); }
  httplib::Result Get(const std::string& target) {
    httplib::Client client("127.0.0.1", service_.port());
    return client.Get(target.c_str());
  }
  DemoService service_;
};

TEST_F(DemoServiceTest, AnswersCompactJsonInTheServiceLayout) {
  auto answer = Get(std::string(kSearch) + "%E6%9E%97%E6%B2%90%E5%B7%9D");  // 林沐川
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 200);
  EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json");
  EXPECT_EQ(answer->body.find('\n'), std::string::npos);
  RegexObject record;
  ASSERT_TRUE(record.CompileAndExecute(
      R"re("SongName":"([^"]*)".*?"Artist":"([^"]*)".*?"Length":"(\d\d:\d\d)".*?"FlacUrl":"([^"]*)".*?"SqUrl":"([^"]*)","HqUrl":"([^"]*)","LqUrl":"([^"]*)")re",
      Utf8ToGbk(answer->body), /*caseSensitive=*/true));
  const int records = record.MatchCount();
  bool sawSeveralSingers = false;
  for (int i = 1; i <= records; ++i) {
    const Text artist = record.SubMatchText(i, 2);
    EXPECT_NE(artist.find("林沐川"_gbk), std::string::npos);
    sawSeveralSingers |= artist.find(';') != std::string::npos;
    for (int group = 4; group <= 7; ++group) {
      const Text address = record.SubMatchText(i, group);
      if (!address.empty()) {
        EXPECT_EQ(address.rfind("http://" + service_.host() + "/", 0), 0u);
      }
    }
  }
  EXPECT_GE(records, 3);
  EXPECT_TRUE(sawSeveralSingers);
}

TEST_F(DemoServiceTest, RefusesOtherSignsFormatsAndPaths) {
  const struct {
    std::string target;
    int status;
  } cases[] = {
      {"/music/search/wy/1?format=json&sign=00000000000000000000000000000000&keyword=a", 403},
      {"/music/search/wy/1?format=json&keyword=a", 403},
      {"/music/search/wy/1?format=xml&sign=7e2d49b1c08f365ad4e91b7c2f06a835&keyword=a", 404},
      {"/music/search/kw/1?format=json&sign=7e2d49b1c08f365ad4e91b7c2f06a835&keyword=a", 404},
      {"/music/file/999/lq.mp3", 404},
      {"/music/file/4/flac.mp3", 404},  // that song has no Flac file
  };
  for (const auto& c : cases) {
    auto answer = Get(c.target);
    ASSERT_TRUE(answer) << c.target;
    EXPECT_EQ(answer->status, c.status) << c.target;
  }
}

TEST_F(DemoServiceTest, EmptyKeywordListsTheWholeCatalogueAndUnknownOneNothing) {
  auto all = Get(kSearch);
  auto none = Get(std::string(kSearch) + "%E6%97%A0%E6%AD%A4%E6%AD%8C");  // 无此歌
  ASSERT_TRUE(all && none);
  EXPECT_NE(all->body.find("\"total\":" + std::to_string(DemoCatalogue().size())),
            std::string::npos);
  EXPECT_EQ(none->body, "{\"code\":200,\"msg\":\"ok\",\"data\":{\"total\":0,\"list\":[]}}");
}

TEST_F(DemoServiceTest, ServesEachQualityAsAnMp3OfItsOwnSize) {
  std::set<std::size_t> sizes;
  for (const char* quality : {"flac", "sq", "hq", "lq"}) {
    auto file = Get(std::string("/music/file/1/") + quality + ".mp3");
    ASSERT_TRUE(file);
    ASSERT_EQ(file->status, 200) << quality;
    EXPECT_EQ(file->get_header_value("Content-Type"), "audio/mpeg");
    int kilobits = 0;
    EXPECT_GT(CountMp3Frames(file->body, &kilobits), 100) << quality;
    sizes.insert(file->body.size());
  }
  EXPECT_EQ(sizes.size(), 4u);
}

TEST(DemoServiceStartTest, ABusyPortIsReportedAndAStoppedServiceCanStartAgain) {
  DemoService first, second;
  ASSERT_TRUE(first.Start());
  EXPECT_FALSE(second.Start(first.port()));
  first.Stop();
  EXPECT_TRUE(first.Start());
}

}  // namespace
}  // namespace qoravel
