#include "music/download.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "music/fetch_url.h"
#include "music/song_file.h"
#include "textcore/codepage.h"

namespace qoravel {

namespace {

constexpr int kSingerColumn = 1;
constexpr int kSongNameColumn = 0;

// Count of workers not yet ended, for WaitForDownloads.
struct WorkerCount {
  std::mutex mutex;
  std::condition_variable ended;
  int running = 0;
};

WorkerCount& Workers() {
  static WorkerCount* workers = new WorkerCount;  // outlives detached workers at exit
  return *workers;
}

void WorkerStarted() {
  std::lock_guard lock(Workers().mutex);
  ++Workers().running;
}

void WorkerEnded() {
  std::lock_guard lock(Workers().mutex);
  --Workers().running;
  Workers().ended.notify_all();
}

// Streams the address into a partial file beside the final name and renames it over that name
// only when the whole body of a successful answer has arrived.
bool SaveSong(const DownloadJob& job, const DownloadProgress& progress) {
  const std::optional<Text> fileName = SongFileName(job.saveFolder, job.singer, job.songName);
  if (!fileName) return false;
  PartialFile file;
  if (!file.Open(*fileName)) return false;
  FetchSink sink = [&file](const char* data, std::size_t size) { return file.Write(data, size); };
  const FetchResult fetched = FetchUrlTo(job.address, sink, progress);
  constexpr long kFirstErrorStatus = 400;
  if (!fetched.complete || fetched.status >= kFirstErrorStatus || fetched.bytes == 0) return false;
  return file.Commit();
}

}  // namespace

void StartDownload(WindowOps& window, AppState& state, int column, DownloadProgress progress) {
  const int row = window.SelectedRow();
  state.chosenUrl = window.GetCellText(row, column);
  if (state.chosenUrl.empty()) {
    window.ShowMessage("暂无此音质资源"_gbk, kIconInformation);
    return;
  }
  DownloadJob job{state.chosenUrl, state.saveFolder, window.GetCellText(row, kSingerColumn),
                  window.GetCellText(row, kSongNameColumn)};
  WorkerStarted();
  try {
    std::thread([&window, job = std::move(job), progress = std::move(progress)] {
      DownloadSong(window, job, progress);
      WorkerEnded();
    }).detach();
  } catch (const std::system_error&) {
    WorkerEnded();  // a thread that cannot start goes unreported
  }
}

void DownloadSong(WindowOps& window, const DownloadJob& job, const DownloadProgress& progress) {
  window.SetControlVisible(Control::透明标签3, true);
  const bool saved = SaveSong(job, progress);
  window.ShowMessage(saved ? "下载成功"_gbk : "下载失败"_gbk, kIconInformation);
  window.SetControlVisible(Control::透明标签3, false);
}

void WaitForDownloads() {
  std::unique_lock lock(Workers().mutex);
  Workers().ended.wait(lock, [] { return Workers().running == 0; });
}

int RunningDownloads() {
  std::lock_guard lock(Workers().mutex);
  return Workers().running;
}

}  // namespace qoravel
