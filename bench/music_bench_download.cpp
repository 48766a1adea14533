// Download throughput and peak memory: the program's download worker against `curl -o`, both
// fetching the same large file from one loopback server in the same run.
//
//   music_bench_download [--figures=FILE] [MEGABYTES...]      default: 20 200
//
// Each client runs as a child process so that its peak resident memory is its own. The worker is
// timed from the quality choice to the end of the worker, curl by its own time_total; the real
// `qoravel download` is also run whole (process start and search included) for its memory.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "appshell/memory_window.h"
#include "figure_file.h"
#include "music/download.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

extern char** environ;

namespace {

using qoravel::testing::LoopbackServer;
using qoravel::testing::TempDir;

constexpr int kRounds = 5;
constexpr std::size_t kChunk = 256 * 1024;

struct ChildResult {
  int status = -1;
  double seconds = 0;  // as the child reports it, or wall time
  long peakKib = 0;    // ru_maxrss of the child
  std::string output;
};

ChildResult RunChild(const std::vector<std::string>& args) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) std::abort();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const auto started = std::chrono::steady_clock::now();
  pid_t child = -1;
  if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  ChildResult result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    result.output.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.peakKib = usage.ru_maxrss;
  return result;
}

// Child mode: one download through the worker into the folder; prints its seconds.
int FetchOnce(const std::string& url, const std::string& folder) {
  using namespace qoravel;
  MemoryWindow window;
  AppState state;
  state.saveFolder = Utf8ToGbk(folder);
  const int row = window.InsertRow();
  window.SetCellText(row, 0, "big");
  window.SetCellText(row, 1, "bench");
  window.SetCellText(row, 6, url);
  window.SelectRow(row);
  const auto started = std::chrono::steady_clock::now();
  StartDownload(window, state, 6);
  WaitForDownloads();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const bool ok = !window.Messages().empty() && window.Messages().back().text == "下载成功"_gbk;
  std::printf("%.6f\n", seconds);
  return ok ? 0 : 1;
}

void ServeBigFiles(LoopbackServer& server) {
  static const std::string chunk(kChunk, '\x5a');
  server.server().Get(
      R"(/big/(\d+)\.mp3)", [](const httplib::Request& request, httplib::Response& response) {
        const std::size_t size = std::stoull(request.matches[1].str());
        response.set_content_provider(
            size, "audio/mpeg", [size](size_t offset, size_t, httplib::DataSink& sink) {
              return sink.write(chunk.data(), std::min(kChunk, size - offset));
            });
      });
  server.server().Get("/music/search/wy/1", [&server](const httplib::Request& request,
                                                      httplib::Response& response) {
    const std::string size = request.get_param_value("keyword");
    response.set_content(
        R"({"SongName":"big","Artist":"bench","Length":"1","FlacUrl":"","SqUrl":"","HqUrl":"","LqUrl":")" +
            server.Url("/big/" + size + ".mp3") + "\"}",
        "application/json");
  });
}

// Median time over the rounds (the machine is shared), highest peak memory.
struct Rounds {
  std::vector<double> times;
  long peakKib = 0;
  void Add(double s, long kib) {
    times.push_back(s);
    peakKib = std::max(peakKib, kib);
  }
  double Median() {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }
};

}  // namespace

int main(int argc, char** argv) {
  qoravel::bench::FigureFile figures(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], "--fetch") == 0) return FetchOnce(argv[2], argv[3]);
  std::vector<long> sizesMb;
  for (int i = 1; i < argc; ++i) sizesMb.push_back(std::atol(argv[i]));
  if (sizesMb.empty()) sizesMb = {20, 200};

  LoopbackServer server;
  ServeBigFiles(server);
  server.Start();
  std::printf("%8s  %-22s %10s %10s %12s\n", "size", "client", "seconds", "MB/s", "peak RSS");
  for (long mb : sizesMb) {
    const std::string bytes = std::to_string(mb * 1024 * 1024);
    const std::string url = server.Url("/big/" + bytes + ".mp3");
    Rounds worker, curl, program;
    for (int round = 0; round < kRounds; ++round) {
      TempDir folder;
      ChildResult ours = RunChild({argv[0], "--fetch", url, folder.path().string()});
      if (ours.status != 0) std::fprintf(stderr, "worker download failed\n");
      worker.Add(std::stod(ours.output), ours.peakKib);
      std::filesystem::remove(folder.path() / "bench - big.mp3");

      ChildResult theirs = RunChild(
          {"curl", "-s", "-o", (folder.path() / "curl.bin").string(), "-w", "%{time_total}", url});
      if (theirs.status != 0) std::fprintf(stderr, "curl failed\n");
      curl.Add(std::stod(theirs.output), theirs.peakKib);
      std::filesystem::remove(folder.path() / "curl.bin");

      ChildResult whole =
          RunChild({QORAVEL_EXECUTABLE, "download", bytes, "--row", "1", "--quality", "lq", "--to",
                    folder.path().string(), "--host", server.host()});
      if (whole.status != 0) std::fprintf(stderr, "qoravel download failed\n");
      program.Add(whole.seconds, whole.peakKib);
    }
    const double megabytes = static_cast<double>(mb);
    for (auto [name, key, rounds] : {std::tuple{"download worker", "worker", &worker},
                                     {"curl -o", "curl_o", &curl},
                                     {"qoravel download (all)", "program", &program}}) {
      const double seconds = rounds->Median();
      std::printf("%6ld MB  %-22s %10.3f %10.0f %9.1f MB\n", mb, name, seconds, megabytes / seconds,
                  rounds->peakKib / 1024.0);
      const std::string prefix = "download." + std::to_string(mb) + "mb." + key;
      figures.Add(prefix + ".seconds", seconds);
      figures.Add(prefix + ".peak_mb", rounds->peakKib / 1024.0);
    }
    std::printf("%6ld MB  worker throughput / curl: %.1f %%\n", mb,
                100.0 * curl.Median() / worker.Median());
  }
  return 0;
}
