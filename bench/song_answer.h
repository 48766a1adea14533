// The search answer the benchmarks share: a compact JSON text of song records in the service's
// layout, as it arrives (UTF-8), about 513 bytes a record. Pure functions; any thread.
#pragma once

#include <string>

namespace qoravel::bench {

inline constexpr int kAnswerRecords = 20'000;  // about 10 MB, a generous search answer

// The answer with records numbered 1..records, built afresh on each call.
std::string SongAnswerUtf8(int records = kAnswerRecords);

// Writes the answer to a file for the peers of other languages; false when it cannot.
[[nodiscard]] bool WriteSongAnswer(const std::string& path, int records = kAnswerRecords);

}  // namespace qoravel::bench
