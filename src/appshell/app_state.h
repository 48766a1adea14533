// AppState: the one process-wide record of the program. Touched by handlers on the UI thread;
// download workers get copies of what they need, never a reference into it.
#pragma once

#include "textcore/text.h"

namespace qoravel {

struct AppState {
  Text saveFolder;
  Text songName;  // staging fields: the last song added to the list
  Text artist;
  Text duration;
  Text flacUrl;
  Text sqUrl;
  Text hqUrl;
  Text lqUrl;
  int lastRow = 0;
  Text chosenUrl;
};

// Releases the texts at exit: saveFolder, the seven staging fields, chosenUrl.
void ReleaseAppState(AppState& state);

}  // namespace qoravel
