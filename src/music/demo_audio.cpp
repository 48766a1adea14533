#include "music/demo_audio.h"

#include <array>
#include <cstdint>

namespace qoravel {

namespace {

constexpr int kSampleRate = 44100;
constexpr std::array<int, 15> kBitrates = {0,   32,  40,  48,  56,  64,  80, 96,
                                           112, 128, 160, 192, 224, 256, 320};

int BitrateIndex(int kilobitsPerSecond) {
  for (int index = 1; index < static_cast<int>(kBitrates.size()); ++index) {
    if (kBitrates[index] == kilobitsPerSecond) return index;
  }
  return 9;  // 128 kbit/s
}

void AppendBigEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

// UTF-8 to UTF-16LE code units; malformed bytes become U+FFFD.
std::string Utf16Le(std::string_view utf8) {
  std::string out;
  auto put = [&out](std::uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80         ? 1
                       : (lead >> 5) == 6  ? 2
                       : (lead >> 4) == 14 ? 3
                       : (lead >> 3) == 30 ? 4
                                           : 0;
    if (length == 0 || i + length > utf8.size()) {
      put(0xFFFD);
      ++i;
      continue;
    }
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
    if (code >= 0x10000) {
      code -= 0x10000;
      put(0xD800 + (code >> 10));
      put(0xDC00 + (code & 0x3FF));
    } else {
      put(code);
    }
    i += length;
  }
  return out;
}

// One text frame of ID3v2.3: UTF-16 with a byte order mark.
void AppendTextFrame(std::string& tag, const char* id, std::string_view utf8) {
  const std::string text = "\x01\xFF\xFE" + Utf16Le(utf8);
  tag.append(id, 4);
  AppendBigEndian(tag, static_cast<std::uint32_t>(text.size()), 4);
  tag.append(2, '\0');  // flags
  tag += text;
}

std::string Id3Tag(std::string_view title, std::string_view artist) {
  std::string frames;
  AppendTextFrame(frames, "TIT2", title);
  AppendTextFrame(frames, "TPE1", artist);
  std::string tag = "ID3\x03";
  tag.push_back('\0');  // revision
  tag.push_back('\0');  // flags
  const auto size = static_cast<std::uint32_t>(frames.size());
  for (int shift = 21; shift >= 0; shift -= 7)
    tag.push_back(static_cast<char>((size >> shift) & 0x7F));
  return tag + frames;
}

}  // namespace

std::string SilentMp3(const DemoAudio& audio, std::string_view title, std::string_view artist) {
  std::string out = Id3Tag(title, artist);
  const int index = BitrateIndex(audio.kilobitsPerSecond);
  const int bytesPerFrameTimesRate = 144000 * kBitrates[index];  // 1152 / 8 * bit rate
  int remainder = 0;
  for (int frame = 0; frame < audio.frames; ++frame) {
    // Padding bytes keep the average frame exactly at the stated bit rate.
    remainder += bytesPerFrameTimesRate % kSampleRate;
    const bool padding = remainder >= kSampleRate;
    if (padding) remainder -= kSampleRate;
    const int length = bytesPerFrameTimesRate / kSampleRate + (padding ? 1 : 0);
    out.push_back('\xFF');
    out.push_back('\xFB');  // MPEG-1, Layer III, no CRC
    out.push_back(static_cast<char>((index << 4) | (padding ? 0x02 : 0)));  // 44.1 kHz
    out.push_back('\xC4');  // single channel, original
    // All-zero side information and main data: every granule decodes to silence.
    out.append(static_cast<std::size_t>(length - 4), '\0');
  }
  return out;
}

}  // namespace qoravel
