// Generates the demo service's audio files: a few seconds of silence as a valid MPEG-1 Layer III
// stream behind an ID3v2.3 tag with the title and the singer. Pure function; any thread.
#pragma once

#include <string>
#include <string_view>

namespace qoravel {

struct DemoAudio {
  int kilobitsPerSecond;  // one of the Layer III rates, 32..320
  int frames;             // 1152 samples each at 44.1 kHz, about 26 ms
};

// The file's bytes; title and artist are UTF-8.
std::string SilentMp3(const DemoAudio& audio, std::string_view title, std::string_view artist);

}  // namespace qoravel
