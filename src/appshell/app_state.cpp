#include "appshell/app_state.h"

namespace qoravel {

void ReleaseAppState(AppState& state) {
  for (Text* field : {&state.saveFolder, &state.songName, &state.artist, &state.duration,
                      &state.flacUrl, &state.sqUrl, &state.hqUrl, &state.lqUrl, &state.chosenUrl}) {
    Text().swap(*field);
  }
}

}  // namespace qoravel
