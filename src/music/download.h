// Downloads of the chosen quality: StartDownload runs on the UI thread and hands a worker its own
// copies of everything it needs; each DownloadSong runs on its own detached thread and reaches
// the window only through the window operations. The window must outlive the workers
// (WaitForDownloads before tearing it down).
#pragma once

#include <cstdint>
#include <functional>

#include "appshell/app_state.h"
#include "appshell/window_ops.h"
#include "textcore/text.h"

namespace qoravel {

// What a worker owns: read on the UI thread from the row selected when the quality was chosen.
struct DownloadJob {
  Text address;
  Text saveFolder;
  Text singer;    // cell 1 of that row
  Text songName;  // cell 0 of that row
};

// Bytes received and the stated total (-1 while unknown), called on the worker's thread.
using DownloadProgress = std::function<void(std::int64_t received, std::int64_t total)>;

// Handler of the four quality items (column 3, 4, 5 or 6): stores the selected row's cell in
// chosenUrl and starts a worker for it, or shows "暂无此音质资源" when that cell is empty.
void StartDownload(WindowOps& window, AppState& state, int column, DownloadProgress progress = {});

// Body of a worker: fetches the address into the save folder as "singer - song.mp3" and shows
// "下载成功" or "下载失败". A failed download leaves any existing file of that name as it was.
void DownloadSong(WindowOps& window, const DownloadJob& job, const DownloadProgress& progress);

// Blocks until every worker started so far has ended.
void WaitForDownloads();
[[nodiscard]] int RunningDownloads();

}  // namespace qoravel
