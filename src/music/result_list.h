// Turns the search service's answer (code page 936 JSON text) into rows of the result list.
// Runs on the UI thread, inside the search button's handler.
#pragma once

#include <optional>

#include "appshell/app_state.h"
#include "appshell/window_ops.h"
#include "textcore/text.h"

namespace qoravel {

// The song pattern as stored: each "#引号" stands for a double quote (quote markers on).
// Groups 1, 3, 5, 7, 9, 10 and 11 are the seven fields of a song.
const Text& SongPattern();

// Clears the list, runs the song pattern over the answer and appends one row per match, staging
// each song's fields in the state. Returns the number of rows added, or 0 after showing a failure
// message (icon 16) when the pattern cannot run or finds nothing.
int FillResultList(WindowOps& window, AppState& state, const Text& answer);

// Applies up to five find/replacement pairs in turn, each to the result of the one before.
// start 0 means 1; a count given (whatever its value) limits every pair to that many replacements.
Text ReplacePairs(const Text& text, std::optional<int> count, int start, bool caseSensitive,
                  const Text& find1, const Text& replacement1, const Text& find2 = {},
                  const Text& replacement2 = {}, const Text& find3 = {},
                  const Text& replacement3 = {}, const Text& find4 = {},
                  const Text& replacement4 = {}, const Text& find5 = {},
                  const Text& replacement5 = {});

}  // namespace qoravel
