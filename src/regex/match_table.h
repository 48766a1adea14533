// The matches of one run of a pattern: for every match, the UTF-8 byte span of the whole match
// (group 0) and of each capturing group. Read-only once filled; safe to share between threads.
#pragma once

#include <cstddef>
#include <limits>
#include <vector>

namespace qoravel {

struct MatchSpan {
  static constexpr std::size_t kUnset = std::numeric_limits<std::size_t>::max();
  std::size_t begin = kUnset;
  std::size_t end = kUnset;
  // False for a group that took no part in the match.
  bool IsSet() const { return begin != kUnset; }
  std::size_t Length() const { return IsSet() ? end - begin : 0; }
};

class MatchTable {
 public:
  explicit MatchTable(int groupCount) : groupCount_(groupCount) {}

  int GroupCount() const { return groupCount_; }
  int MatchCount() const { return static_cast<int>(spans_.size() / SpansPerMatch()); }
  // match counts from 0; group 0 is the whole match, 1..GroupCount() the capturing groups.
  // REQUIRES: both in range.
  MatchSpan At(int match, int group) const {
    return spans_[static_cast<std::size_t>(match) * SpansPerMatch() +
                  static_cast<std::size_t>(group)];
  }

  // Appends one match from an ovector (begin/end pairs); pairs from setPairs on are unset.
  void Append(const std::size_t* ovector, int setPairs) {
    for (int group = 0; group <= groupCount_; ++group) {
      MatchSpan span;
      if (group < setPairs && ovector[2 * group] != MatchSpan::kUnset) {
        span = {ovector[2 * group], ovector[2 * group + 1]};
      }
      spans_.push_back(span);
    }
  }

 private:
  std::size_t SpansPerMatch() const { return static_cast<std::size_t>(groupCount_) + 1; }

  int groupCount_;
  std::vector<MatchSpan> spans_;
};

}  // namespace qoravel
