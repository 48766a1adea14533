// BrowseForFolder: the folder browser, modal for every window of the program. UI thread only.
#pragma once

#include "textcore/text.h"

namespace qoravel {

// Shows the prompt and returns the chosen folder's full path ("/" keeps its separator, any other
// folder comes without one), or "" when the user cancels.
Text BrowseForFolder(const Text& prompt);

}  // namespace qoravel
