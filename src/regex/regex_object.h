// RegexObject: runs one regular expression over one code page 936 subject (PCRE2, UTF mode, JIT)
// and answers questions about the matches with 1-based indexes. One object is used by one thread;
// clones share the results of the last run, which nothing changes afterwards.
#pragma once

#include <memory>

#include "textcore/text.h"

namespace qoravel {

class RegexObject {
 public:
  RegexObject();   // the initialiser; the engine needs no per-thread set-up to pair
  ~RegexObject();  // Destroy
  RegexObject(RegexObject&&) noexcept;
  RegexObject& operator=(RegexObject&&) noexcept;
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // A second object holding the same pattern, subject and matches.
  [[nodiscard]] RegexObject Clone() const;
  // Defaults: ignore case, multiline, global, "#引号" left as it stands (on: each one becomes a
  // double quote). False when the pattern cannot be compiled or the engine hits its match or
  // depth limit; true also when nothing matches. Replaces everything of the previous run.
  [[nodiscard]] bool CompileAndExecute(const Text& pattern, const Text& subject,
                                       bool caseSensitive = false, bool multiline = true,
                                       bool global = true, bool quoteMarkers = false);
  void DoNothing();
  // The pattern of the last run, after the quote markers were replaced; empty before any run.
  Text GetPattern() const;
  // The subject with the matches replaced ($& $1..$99 $` $' $$); empty unless the last run
  // succeeded.
  Text ReplaceMatches(const Text& replacement) const;
  int MatchCount() const;
  // Empty for an index outside 1..MatchCount(). position, when given, receives the 0-based
  // byte offset of the match in the subject (-1 when there is no such match).
  Text MatchText(int matchIndex, int* position = nullptr) const;
  // Empty for an index out of range and for a group that took no part. position, when given,
  // receives the 0-based byte offset where the group's text first occurs from the start of its
  // match, compared without regard to case when the object ignores case (-1 when none).
  Text SubMatchText(int matchIndex, int groupIndex, int* position = nullptr) const;
  // The number of capturing groups; 0 when nothing matched.
  int SubMatchCount() const;

 private:
  struct State;
  std::shared_ptr<State> state_;  // the last run; empty before the first
};

}  // namespace qoravel
