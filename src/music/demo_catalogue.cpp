#include "music/demo_catalogue.h"

namespace qoravel {

namespace {

constexpr unsigned Bit(Quality quality) { return 1u << static_cast<unsigned>(quality); }
constexpr unsigned kAll =
    Bit(Quality::kFlac) | Bit(Quality::kSq) | Bit(Quality::kHq) | Bit(Quality::kLq);
constexpr unsigned kNoFlac = kAll & ~Bit(Quality::kFlac);
constexpr unsigned kNoSq = kAll & ~Bit(Quality::kSq);
constexpr unsigned kNoLq = kAll & ~Bit(Quality::kLq);

// Every name here is made up. Some names carry "?" and some songs several singers, so that the
// list's tidying shows; a few songs lack one quality.
constexpr DemoSong kSongs[] = {
    {1, "北岸的灯", "林沐川", "北岸", "04:12", kAll},
    {2, "雨落青石巷", "林沐川", "北岸", "03:48", kAll},
    {3, "你听见了吗?", "林沐川", "北岸", "04:05", kAll},
    {4, "两个人的远方", "林沐川;苏晚晴", "远方", "04:31", kNoFlac},
    {5, "旧信封", "林沐川", "旧信封", "03:27", kAll},
    {6, "夏夜晚风", "林沐川;周一禾;白露", "夏夜", "05:02", kAll},
    {7, "远行 (Live)", "林沐川", "远行现场", "04:44", kNoLq},
    {8, "纸飞机", "苏晚晴", "纸飞机", "03:35", kAll},
    {9, "为什么是我??", "苏晚晴", "纸飞机", "03:59", kNoSq},
    {10, "城南旧事", "周一禾", "慢车", "04:20", kAll},
    {11, "慢车", "周一禾", "慢车", "03:51", kAll},
    {12, "月光码头", "白露", "码头", "04:08", kNoFlac},
    {13, "星河漫游", "白露;陈星野", "星河", "04:26", kAll},
    {14, "第七个夏天", "陈星野", "第七个夏天", "03:44", kAll},
    {15, "谁在敲门?", "陈星野", "第七个夏天", "03:18", kAll},
    {16, "风吹麦浪", "江知夏", "麦浪", "04:37", kAll},
    {17, "蓝色信笺", "江知夏", "麦浪", "03:56", kNoLq},
    {18, "归途", "许南风", "归途", "04:15", kAll},
    {19, "晚安,城市", "许南风", "归途", "03:40", kAll},
    {20, "落叶知秋", "顾清秋", "秋", "04:02", kAll},
    {21, "长街", "顾清秋;许南风", "秋", "04:49", kAll},
    {22, "无声告白", "沈默言", "告白", "03:33", kAll},
    {23, "灯火阑珊", "沈默言", "告白", "04:11", kNoFlac},
    {24, "海边的信", "叶小舟", "海边", "03:52", kAll},
    {25, "春日来信", "叶小舟", "海边", "03:25", kAll},
    {26, "再见少年", "唐一诺", "少年", "04:19", kAll},
    {27, "同桌的约定", "唐一诺;叶小舟", "少年", "04:03", kAll},
    {28, "半糖?", "夏知遥", "半糖", "03:16", kAll},
    {29, "山海之间", "林沐川", "山海", "04:58", kAll},
    {30, "沐川 (纯音乐)", "林沐川", "山海", "02:47", kNoSq},
};

}  // namespace

bool HasQuality(const DemoSong& song, Quality quality) {
  return (song.qualities & Bit(quality)) != 0;
}

std::string_view QualityName(Quality quality) {
  switch (quality) {
    case Quality::kFlac:
      return "flac";
    case Quality::kSq:
      return "sq";
    case Quality::kHq:
      return "hq";
    case Quality::kLq:
      return "lq";
  }
  return {};
}

std::span<const DemoSong> DemoCatalogue() { return kSongs; }

const DemoSong* FindDemoSong(int id) {
  for (const DemoSong& song : kSongs) {
    if (song.id == id) return &song;
  }
  return nullptr;
}

}  // namespace qoravel
