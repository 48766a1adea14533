// Conversion by stretches: ASCII stretches are copied as they are and only the other stretches
// go through a converter. Used where the result must equal converting the whole input at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qoravel::ascii_runs {

// An ASCII gap shorter than this stays inside the surrounding converted stretch: a converter
// call costs more than converting a few ASCII characters.
inline constexpr std::size_t kMinCopiedRun = 16;

template <typename Unit>
constexpr bool IsAscii(Unit unit) {
  return static_cast<std::make_unsigned_t<Unit>>(unit) < 0x80;
}

// The end of the ASCII stretch that begins at index i.
template <typename Unit>
std::size_t AsciiRunEnd(std::basic_string_view<Unit> in, std::size_t i) {
  constexpr std::uint64_t kHighBits =
      sizeof(Unit) == 1 ? 0x8080808080808080ULL : 0xFF80FF80FF80FF80ULL;
  constexpr std::size_t kPerWord = sizeof(std::uint64_t) / sizeof(Unit);
  while (i + kPerWord <= in.size()) {
    std::uint64_t word;
    std::memcpy(&word, in.data() + i, sizeof word);
    if ((word & kHighBits) != 0) break;
    i += kPerWord;
  }
  while (i < in.size() && IsAscii(in[i])) ++i;
  return i;
}

// The end of the stretch to convert that begins with a non-ASCII unit at index i. Right after
// an ASCII unit every converter met here is at a character boundary, but in code page 936 an
// ASCII byte may be the second byte of a two-byte character: there (asciiMayTrail) the stretch
// takes the first ASCII byte after its non-ASCII bytes with it.
template <typename Unit>
std::size_t ConvertedRunEnd(std::basic_string_view<Unit> in, std::size_t i, bool asciiMayTrail) {
  for (;;) {
    while (i < in.size() && !IsAscii(in[i])) ++i;
    if (asciiMayTrail && i < in.size()) ++i;
    if (i == in.size()) return i;
    const std::size_t asciiEnd = AsciiRunEnd(in, i);
    if (asciiEnd == in.size() || asciiEnd - i >= kMinCopiedRun) return i;
    i = asciiEnd;
  }
}

template <typename From, typename To>
void AppendAscii(std::basic_string_view<From> ascii, std::basic_string<To>& out) {
  if constexpr (std::is_same_v<From, To>) {
    out.append(ascii);
  } else {
    const std::size_t start = out.size();
    out.resize(start + ascii.size());
    std::transform(ascii.begin(), ascii.end(), out.begin() + static_cast<std::ptrdiff_t>(start),
                   [](From unit) { return static_cast<To>(unit); });
  }
}

// Appends the conversion of in to out: ASCII copied, everything else through
// convert(std::basic_string_view<From> stretch, std::basic_string<To>& out) -> bool.
// asciiMayTrail as for ConvertedRunEnd; keepBase hands the last ASCII unit before a stretch to
// the converter as well (a base character that a combining mark may join). False when a
// convert call fails.
template <typename From, typename To, typename Convert>
bool ConvertByRuns(std::basic_string_view<From> in, bool asciiMayTrail, bool keepBase,
                   std::basic_string<To>& out, Convert convert) {
  std::size_t i = 0;
  while (i < in.size()) {
    const std::size_t asciiEnd = AsciiRunEnd(in, i);
    if (asciiEnd == in.size()) {
      AppendAscii(in.substr(i), out);
      break;
    }
    const std::size_t runStart = keepBase && asciiEnd > i ? asciiEnd - 1 : asciiEnd;
    AppendAscii(in.substr(i, runStart - i), out);
    const std::size_t runEnd = ConvertedRunEnd(in, asciiEnd, asciiMayTrail);
    if (!convert(in.substr(runStart, runEnd - runStart), out)) return false;
    i = runEnd;
  }
  return true;
}

}  // namespace qoravel::ascii_runs
