#include "regex/match_collector.h"

#include <cstdint>

#include "regex/pcre2_handles.h"

namespace qoravel {
namespace {

// Options that bring PCRE2 close to the ECMAScript dialect: \w, \d and \s stay ASCII (no UCP);
// "." and the anchors see CR, LF and CRLF as line breaks (set in the compile context); \u hhhh
// and \x hh as ECMAScript reads them; a back-reference to an unset group matches the empty
// text; [] matches nothing; $ without multiline matches only at the very end. \C is refused
// so that no match can begin or end inside a character.
constexpr std::uint32_t kDialectOptions = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
                                          PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY |
                                          PCRE2_NEVER_BACKSLASH_C;

// Steps one match attempt may take (PCRE2's own default). Reached in well under a second with
// JIT; an honest answer of the search service needs a few thousand steps per record.
constexpr std::uint32_t kMatchLimit = 10'000'000;
// Nesting of backtracking points for the interpreter, used only where JIT is not available.
constexpr std::uint32_t kDepthLimit = 1'000'000;
// Heap the interpreter may take for its backtracking frames, in KiB.
constexpr std::uint32_t kHeapLimitKib = 64 * 1024;
// JIT stack: starts small, may grow to this size for deeply nested repeats.
constexpr std::size_t kJitStackStartBytes = 32 * 1024;
constexpr std::size_t kJitStackMaxBytes = 4 * 1024 * 1024;

std::uint32_t CompileOptions(const MatchSwitches& switches) {
  std::uint32_t options = kDialectOptions;
  if (!switches.caseSensitive) options |= PCRE2_CASELESS;
  if (switches.multiline) options |= PCRE2_MULTILINE;
  return options;
}

pcre2_handles::Code Compile(std::string_view pattern, const MatchSwitches& switches) {
  pcre2_handles::CompileContext context(pcre2_compile_context_create(nullptr));
  if (!context) return nullptr;
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_handles::Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                         pattern.size(), CompileOptions(switches), &errorCode,
                                         &errorOffset, context.get()));
  // Without JIT (unsupported platform or option) pcre2_match falls back to the interpreter.
  if (code) (void)pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
  return code;
}

// The limits every match attempt runs under, and the JIT stack they share.
struct MatchSetup {
  pcre2_handles::MatchContext context;
  pcre2_handles::JitStack jitStack;
};

std::optional<MatchSetup> CreateMatchSetup() {
  MatchSetup setup{pcre2_handles::MatchContext(pcre2_match_context_create(nullptr)),
                   pcre2_handles::JitStack(
                       pcre2_jit_stack_create(kJitStackStartBytes, kJitStackMaxBytes, nullptr))};
  if (!setup.context) return std::nullopt;
  pcre2_set_match_limit(setup.context.get(), kMatchLimit);
  pcre2_set_depth_limit(setup.context.get(), kDepthLimit);
  pcre2_set_heap_limit(setup.context.get(), kHeapLimitKib);
  // Without a stack of its own JIT keeps to a small one on the machine stack.
  if (setup.jitStack) pcre2_jit_stack_assign(setup.context.get(), nullptr, setup.jitStack.get());
  return setup;
}

// The offset just past the UTF-8 character that begins at offset.
std::size_t NextCharacter(std::string_view text, std::size_t offset) {
  ++offset;
  while (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
    ++offset;
  }
  return offset;
}

}  // namespace

std::optional<MatchTable> CollectMatches(std::string_view patternUtf8, std::string_view subjectUtf8,
                                         const MatchSwitches& switches) {
  const pcre2_handles::Code code = Compile(patternUtf8, switches);
  if (!code) return std::nullopt;
  std::optional<MatchSetup> setup = CreateMatchSetup();
  if (!setup) return std::nullopt;
  const pcre2_handles::MatchData data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!data) return std::nullopt;
  std::uint32_t groupCount = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groupCount);

  MatchTable table(static_cast<int>(groupCount));
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(subjectUtf8.data());
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
  std::uint32_t options = 0;
  std::size_t start = 0;
  for (;;) {
    const int result = pcre2_match(code.get(), subject, subjectUtf8.size(), start, options,
                                   data.get(), setup->context.get());
    if (result == PCRE2_ERROR_NOMATCH) break;
    if (result < 0) return std::nullopt;  // a limit was reached, or the subject is not UTF-8
    // The subject was checked in full by the first attempt; checking it again before every
    // match would make the scan quadratic.
    options = PCRE2_NO_UTF_CHECK;
    table.Append(ovector, result);
    if (!switches.global) break;
    // As in ECMAScript, the scan goes on where the match ended, one character further after an
    // empty match, so that it always advances.
    if (ovector[0] < ovector[1] && ovector[1] > start) {
      start = ovector[1];
    } else {
      const std::size_t end = ovector[1] > start ? ovector[1] : start;
      if (end >= subjectUtf8.size()) break;
      start = NextCharacter(subjectUtf8, end);
    }
  }
  return table;
}

}  // namespace qoravel
