// The subject with the matches of one run replaced by a replacement template in the ECMAScript
// syntax: $& the match, $1..$99 a group, $` the text before the match, $' the text after it,
// $$ a dollar sign; any other dollar sign stands for itself. No shared state.
#pragma once

#include <string>
#include <string_view>

#include "regex/match_table.h"

namespace qoravel {

// All texts are UTF-8; every match of the table is replaced.
std::string ReplaceMatchSpans(std::string_view subjectUtf8, const MatchTable& matches,
                              std::string_view templateUtf8);

}  // namespace qoravel
