// The demo service's built-in catalogue of fictional songs, in UTF-8 as the service speaks it.
// Read-only after start: safe on any thread.
#pragma once

#include <span>
#include <string_view>

namespace qoravel {

enum class Quality { kFlac, kSq, kHq, kLq };
inline constexpr Quality kQualities[] = {Quality::kFlac, Quality::kSq, Quality::kHq, Quality::kLq};

struct DemoSong {
  int id;
  std::string_view name;
  std::string_view artist;  // several singers are joined by ";", as the service writes them
  std::string_view album;
  std::string_view length;  // "mm:ss"
  unsigned qualities;       // bit (1 << Quality) set for each quality the song has
};

bool HasQuality(const DemoSong& song, Quality quality);
std::string_view QualityName(Quality quality);  // "flac", "sq", "hq" or "lq"
std::span<const DemoSong> DemoCatalogue();
const DemoSong* FindDemoSong(int id);

}  // namespace qoravel
