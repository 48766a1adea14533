// Search answers in the service's layout and the command line's message lines, as the hostile
// suites build and expect them. Test-only; all texts are UTF-8, as on the wire and the terminal.
#pragma once

#include <string>

namespace qoravel::hostile {

// The command line prints every message as "信息：" + its text on stderr.
inline const std::string kDownloadSucceeded = "信息：下载成功";
inline const std::string kDownloadFailed = "信息：下载失败";
inline const std::string kNoSuchQuality = "信息：暂无此音质资源";
inline const std::string kNothingMatched = "信息：匹配失败，请检检查正则语句是否有误，数量：0";

struct Song {
  std::string name = "北岸的灯";
  std::string singer = "林沐川";
  std::string length = "04:12";
  std::string flac{}, sq{}, hq{}, lq{};  // download addresses, empty for a missing quality
};

// One record as the service writes it; values go in as they are, unescaped.
inline std::string SongRecord(const Song& song) {
  return R"({"SongName":")" + song.name + R"(","Artist":")" + song.singer + R"(","Length":")" +
         song.length + R"(","FlacUrl":")" + song.flac + R"(","SqUrl":")" + song.sq +
         R"(","HqUrl":")" + song.hq + R"(","LqUrl":")" + song.lq + R"("})";
}

// A whole answer holding the records, each already written by SongRecord.
inline std::string SongAnswer(const std::string& records) {
  return R"({"code":200,"data":{"list":[)" + records + "]}}";
}

// The line `qoravel search` prints for a song, as seen on a pipe: seven tab-separated cells.
inline std::string SongRow(const Song& song) {
  return song.name + "\t" + song.singer + "\t" + song.length + "\t" + song.flac + "\t" + song.sq +
         "\t" + song.hq + "\t" + song.lq + "\n";
}

}  // namespace qoravel::hostile
