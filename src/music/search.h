// The search button's handler: one GET request to the music-search service, its answer into the
// result list. Runs on the UI thread and blocks it until the answer has arrived.
#pragma once

#include "appshell/app_state.h"
#include "appshell/window_ops.h"
#include "textcore/text.h"

namespace qoravel {

// "http://" + host + the fixed search path and query + the keyword's UTF-8 bytes as "%XX".
Text SearchAddress(const Text& host, const Text& keyword);

// Reads the keyword from 编辑框_搜索, asks the service at host (HOST or HOST:PORT) and fills the
// list. While the request runs, the window's pending messages are processed at the request
// engine's fixed points, so a click can run a nested search that completes first.
void SearchSongs(WindowOps& window, AppState& state, const Text& host);

}  // namespace qoravel
