// Start-up and shut-down of the window program. Runs on the main thread, which becomes the UI
// thread.
#pragma once

#include "appshell/app_state.h"
#include "appshell/event_bindings.h"

namespace qoravel {

// The program directory becomes the current directory; the window is created centred,
// LoadSaveFolder runs before it is first shown, then the event loop runs until the window closes.
// Without a display (no DISPLAY or WAYLAND_DISPLAY, and QT_QPA_PLATFORM unset) one line on stderr
// points to the command line and the result is -1. When Qt cannot reach the display it names, the
// same kind of line is printed and the process ends at once with status 255 (-1). AppState is
// left alone in both cases.
//
// When the window closes, waiting download workers are released (their window calls return at
// once with the empty result), ReleaseAppState runs, output is flushed, and the process ends
// here with std::quick_exit(0): detached workers may still be running, so no static destructor
// may run under them. Further clean-up belongs in std::at_quick_exit.
int RunMainWindow(int argc, char** argv, AppState& state, const WindowHandlers& handlers);

}  // namespace qoravel
