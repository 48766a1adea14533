// Compiles one pattern with PCRE2 (UTF-8, JIT where available) in the ECMAScript-like dialect
// the system's patterns are written in, and collects the spans of its matches over one subject.
// No shared state: may run on any thread.
#pragma once

#include <optional>
#include <string_view>

#include "regex/match_table.h"

namespace qoravel {

struct MatchSwitches {
  bool caseSensitive = false;  // off: letters match regardless of case
  bool multiline = true;       // ^ and $ also match at line breaks
  bool global = true;          // every match, scanning on after each; off: the first only
};

// Empty when the pattern cannot be compiled or a match attempt reaches one of the engine's
// limits (steps, depth, memory, JIT stack): a runaway pattern ends as a failure, never a hang.
// Both texts are UTF-8; a subject that is not valid UTF-8 also gives an empty result.
[[nodiscard]] std::optional<MatchTable> CollectMatches(std::string_view patternUtf8,
                                                       std::string_view subjectUtf8,
                                                       const MatchSwitches& switches);

}  // namespace qoravel
