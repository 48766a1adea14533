#include "regex/regex_object.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "regex/gbk_subject.h"
#include "regex/match_collector.h"
#include "regex/replacement.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Engine text back into the system's code page; ASCII reads the same in both.
Text ToText(std::string_view utf8) {
  if (IsAscii(utf8)) return Text(utf8);
  return Utf8ToGbk(Text(utf8));
}

// The pattern as the engine receives it: with quote markers on, every "#引号" is a double quote.
Text EnginePattern(const Text& pattern, bool quoteMarkers) {
  if (!quoteMarkers) return pattern;
  static const Text kQuoteMarker = "#引号"_gbk;
  return TextReplace(pattern, kQuoteMarker, "\"", {}, {}, /*caseSensitive=*/true);
}

}  // namespace

// One run: the engine's pattern and switch, the subject and the matches. Never changed after
// the run, so clones share it.
struct RegexObject::State {
  std::string patternUtf8;
  std::string subjectUtf8;
  bool caseSensitive = false;
  std::optional<MatchTable> matches;  // empty when the pattern could not be run

  // The subject in code page 936, built when a position is first asked for.
  const GbkSubject& Gbk() {
    std::call_once(gbkBuilt, [this] { gbk.emplace(subjectUtf8); });
    return *gbk;
  }

  // The span of a match (group 0) or group, when both 1-based indexes are in range.
  std::optional<MatchSpan> Span(int matchIndex, int groupIndex) const {
    if (!matches || matchIndex < 1 || matchIndex > matches->MatchCount() || groupIndex < 0 ||
        groupIndex > matches->GroupCount()) {
      return std::nullopt;
    }
    return matches->At(matchIndex - 1, groupIndex);
  }

  // Where a group's text first occurs from the start of its match, ignoring case when the
  // object does; an empty text is found right at the start.
  int GroupPosition(int matchIndex, const Text& groupText) {
    const GbkSubject& subject = Gbk();
    const int matchStart =
        static_cast<int>(subject.GbkOffset(matches->At(matchIndex - 1, 0).begin));
    if (groupText.empty()) return matchStart;
    const int found = TextFind(subject.GbkText(), groupText, matchStart + 1, !caseSensitive);
    return found > 0 ? found - 1 : -1;
  }

  Text SpanText(MatchSpan span) const {
    if (!span.IsSet()) return {};
    return ToText(std::string_view(subjectUtf8).substr(span.begin, span.Length()));
  }

 private:
  std::once_flag gbkBuilt;
  std::optional<GbkSubject> gbk;
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(RegexObject&&) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&&) noexcept = default;

RegexObject RegexObject::Clone() const {
  RegexObject copy;
  copy.state_ = state_;
  return copy;
}

bool RegexObject::CompileAndExecute(const Text& pattern, const Text& subject, bool caseSensitive,
                                    bool multiline, bool global, bool quoteMarkers) {
  state_.reset();
  auto state = std::make_shared<State>();
  state->caseSensitive = caseSensitive;
  state->patternUtf8 = GbkToUtf8(EnginePattern(pattern, quoteMarkers));
  state->subjectUtf8 = GbkToUtf8(subject);
  state->matches =
      CollectMatches(state->patternUtf8, state->subjectUtf8,
                     {.caseSensitive = caseSensitive, .multiline = multiline, .global = global});
  state_ = std::move(state);
  return state_->matches.has_value();
}

void RegexObject::DoNothing() {}

Text RegexObject::GetPattern() const { return state_ ? ToText(state_->patternUtf8) : Text(); }

Text RegexObject::ReplaceMatches(const Text& replacement) const {
  if (!state_ || !state_->matches) return {};
  return ToText(ReplaceMatchSpans(state_->subjectUtf8, *state_->matches, GbkToUtf8(replacement)));
}

int RegexObject::MatchCount() const {
  return state_ && state_->matches ? state_->matches->MatchCount() : 0;
}

Text RegexObject::MatchText(int matchIndex, int* position) const {
  if (position) *position = -1;
  const std::optional<MatchSpan> span = state_ ? state_->Span(matchIndex, 0) : std::nullopt;
  if (!span) return {};
  if (position) *position = static_cast<int>(state_->Gbk().GbkOffset(span->begin));
  return state_->SpanText(*span);
}

Text RegexObject::SubMatchText(int matchIndex, int groupIndex, int* position) const {
  if (position) *position = -1;
  if (groupIndex < 1 || !state_) return {};
  const std::optional<MatchSpan> span = state_->Span(matchIndex, groupIndex);
  if (!span) return {};
  Text text = state_->SpanText(*span);
  if (position) *position = state_->GroupPosition(matchIndex, text);
  return text;
}

int RegexObject::SubMatchCount() const {
  return MatchCount() > 0 ? state_->matches->GroupCount() : 0;
}

}  // namespace qoravel
