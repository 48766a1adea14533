#include "song_answer.h"

#include <fstream>

namespace qoravel::bench {
namespace {

// One record: Chinese and full-width names, a "?" and a ";" for the tidying, and every seventh
// record without a Flac address.
std::string SongRecord(int id) {
  static const char* const kNames[] = {"晴空下的约定", "海边的风（现场版）", "夜航船", "Rain?Song"};
  static const char* const kArtists[] = {"林沐川;苏晚晴", "林沐川", "周远山;Ａｌｉｃｅ"};
  const std::string n = std::to_string(id);
  const std::string url = "http://dl.music.example/file/" + n + "/a8f3c61e9d0b47f2";
  std::string record = "{\"SongId\":\"" + n + "\",\"SongName\":\"";
  record += kNames[id % 4];
  record += "\",\"Artist\":\"";
  record += kArtists[id % 3];
  record += "\",\"Album\":\"夏夜专辑\",\"Length\":\"04:" + std::to_string(10 + id % 50);
  record += "\",\"Pic\":\"http://img.music.example/cover/" + n + ".jpg?size=300x300\"";
  record += ",\"FlacUrl\":\"";
  if (id % 7 != 0) record += url + ".flac?token=7e2d49b1c08f";
  record += "\",\"SqUrl\":\"" + url + "_sq.flac?token=7e2d49b1c08f";
  record += "\",\"HqUrl\":\"" + url + ".mp3?br=320&token=7e2d49b1c08f";
  record += "\",\"LqUrl\":\"" + url + ".mp3?br=128&token=7e2d49b1c08f\"}";
  return record;
}

}  // namespace

std::string SongAnswerUtf8(int records) {
  std::string text = "{\"code\":200,\"msg\":\"ok\",\"data\":[";
  text.reserve(static_cast<std::size_t>(records) * 520 + 64);
  for (int id = 1; id <= records; ++id) {
    if (id > 1) text += ',';
    text += SongRecord(id);
  }
  text += "]}";
  return text;
}

bool WriteSongAnswer(const std::string& path, int records) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  const std::string answer = SongAnswerUtf8(records);
  file.write(answer.data(), static_cast<std::streamsize>(answer.size()));
  return static_cast<bool>(file);
}

}  // namespace qoravel::bench
