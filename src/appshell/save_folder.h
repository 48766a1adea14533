// The save folder: loaded from the settings file when the main window is created, changed through
// the folder browser, kept in AppState and shown in 编辑框_保存. Both handlers run on the UI
// thread.
#pragma once

#include <functional>

#include "appshell/app_state.h"
#include "appshell/window_ops.h"

namespace qoravel {

// Asks the user for a folder with the given prompt; the folder's full path, or "" when none.
using FolderBrowser = std::function<Text(const Text& prompt)>;

// Reads section "a", key "a" of the settings file (the program's directory when the key is
// missing) into saveFolder and the box. Writes nothing.
void LoadSaveFolder(AppState& state, WindowOps& window);
// Lets the user pick a folder and keeps it in saveFolder, the box and the settings file.
// A browser closed without a folder changes nothing.
void ChangeSaveFolder(AppState& state, WindowOps& window, const FolderBrowser& browse);

}  // namespace qoravel
