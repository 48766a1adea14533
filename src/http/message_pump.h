// The message pump HttpRequest runs at its fixed points (set once by the shell through
// SetMessagePump in http_request.h). Safe on any thread: the pump runs on the caller's thread.
#pragma once

namespace qoravel {

// Runs the pump that was set, or nothing when none was. The pump may itself start a nested
// HttpRequest; it may also replace the pump, which takes effect from the next point on.
void RunMessagePump();

}  // namespace qoravel
