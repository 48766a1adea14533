// RegexObject: runs one regular expression over one code page 936 subject (PCRE2, UTF mode, JIT)
// and answers questions about the matches with 1-based indexes. One object is used by one thread.
#pragma once

#include <memory>

#include "textcore/text.h"

namespace qoravel {

class RegexObject {
 public:
  RegexObject();  // the initialiser: sets up the engine for the calling thread
  ~RegexObject();  // Destroy
  RegexObject(RegexObject&&) noexcept;
  RegexObject& operator=(RegexObject&&) noexcept;
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  [[nodiscard]] RegexObject Clone() const;
  // False when the pattern cannot be compiled or the engine hits its match or depth limit.
  [[nodiscard]] bool CompileAndExecute(const Text& pattern, const Text& subject,
                                       bool caseSensitive = false, bool multiline = true,
                                       bool global = true, bool quoteMarkers = false);
  void DoNothing();
  Text GetPattern() const;
  Text ReplaceMatches(const Text& replacement) const;
  int MatchCount() const;
  Text MatchText(int matchIndex, int* position = nullptr) const;
  Text SubMatchText(int matchIndex, int groupIndex, int* position = nullptr) const;
  int SubMatchCount() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace qoravel
