#include "appshell/command_line.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>

#include "appshell/app_state.h"
#include "appshell/memory_window.h"
#include "appshell/save_folder.h"
#include "music/demo_service.h"
#include "music/download.h"
#include "music/search.h"
#include "textcore/codepage.h"

namespace qoravel {

namespace {

constexpr char kHostVariable[] = "QORAVEL_HOST";
constexpr int kColumns = 7;
constexpr int kFirstQualityColumn = 3;

struct Option {
  const char* name;
  std::optional<std::string> Arguments::*field;
};
constexpr Option kOptions[] = {{"--host", &Arguments::host},
                               {"--row", &Arguments::row},
                               {"--quality", &Arguments::quality},
                               {"--to", &Arguments::to},
                               {"--port", &Arguments::port}};

struct QualityOption {
  const char* name;
  int column;
};
constexpr QualityOption kQualityOptions[] = {{"flac", 3}, {"sq", 4}, {"hq", 5}, {"lq", 6}};
// Titles of the terminal table; the four qualities are named as --quality names them.
constexpr const char* kTableTitles[] = {"#",    "歌曲名称", "歌手", "时间长度",
                                        "Flac", "SQ",       "HQ",   "LQ"};

void PrintLine(std::FILE* stream, const std::string& utf8) {
  std::fputs((utf8 + "\n").c_str(), stream);
  std::fflush(stream);
}

// A whole number written in decimal digits only, at least `low`; numbers too long to hold
// count as the largest one.
std::optional<long long> ParseNumber(const std::string& text, long long low) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const std::size_t digits = text.size() - std::min(text.find_first_not_of('0'), text.size());
  const long long value = digits > 18 ? std::numeric_limits<long long>::max() : std::stoll(text);
  if (value < low) return std::nullopt;
  return value;
}

// Columns a code page 936 text takes on a terminal: two for each two-byte character.
int DisplayWidth(const Text& text) { return static_cast<int>(text.size()); }

Text PadRight(const Text& text, int width) {
  return text + Text(static_cast<std::size_t>(std::max(0, width - DisplayWidth(text))), ' ');
}

// The rows as the search found them: tab-separated cells for scripts, or an aligned table with
// row numbers for a person at a terminal, where each address shows only whether it exists.
void PrintRows(MemoryWindow& window) {
  const bool terminal = ::isatty(STDOUT_FILENO) != 0;
  std::vector<std::vector<Text>> table;
  if (terminal) {
    table.emplace_back();
    for (const char* title : kTableTitles) table.back().push_back(Utf8ToGbk(title));
  }
  for (int row = 0; row < window.RowCount(); ++row) {
    std::vector<Text> cells;
    if (terminal) cells.push_back(std::to_string(row + 1));
    for (int column = 0; column < kColumns; ++column) {
      Text cell = window.GetCellText(row, column);
      if (terminal && column >= kFirstQualityColumn) cell = cell.empty() ? "-" : "有"_gbk;
      cells.push_back(cell);
    }
    table.push_back(std::move(cells));
  }
  std::vector<int> widths(table.empty() ? 0 : table.front().size(), 0);
  for (const auto& cells : table) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
    }
  }
  for (const auto& cells : table) {
    Text line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (!terminal) {
        line += (i > 0 ? "\t" : "") + cells[i];
      } else {
        line +=
            (i > 0 ? "  " : "") + (i + 1 < cells.size() ? PadRight(cells[i], widths[i]) : cells[i]);
      }
    }
    std::fputs((GbkToUtf8(line) + "\n").c_str(), stdout);
  }
  std::fflush(stdout);
}

std::string Megabytes(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

// One line on stderr redrawn in place: bar, bytes, total when known, rate. Messages printed
// while it shows first end its line.
class ProgressBar {
 public:
  void Update(std::int64_t received, std::int64_t total) {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastDrawn_ < std::chrono::milliseconds(100) && received != total) return;
    lastDrawn_ = now;
    shown_ = true;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const std::string rate =
        seconds > 0 ? Megabytes(static_cast<std::int64_t>(received / seconds)) + "/s" : "";
    std::string line;
    if (total > 0) {
      constexpr int kBarWidth = 30;
      const std::int64_t done = std::min(received, total);
      const auto filled = static_cast<int>(kBarWidth * done / total);
      line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] " +
             std::to_string(100 * done / total) + "%  " + Megabytes(received) + " / " +
             Megabytes(total);
    } else {
      line = Megabytes(received);
    }
    std::fprintf(stderr, "\r%s  %s\x1b[K", line.c_str(), rate.c_str());
    std::fflush(stderr);
  }
  // Ends the bar's line before other output.
  void Break() {
    std::lock_guard lock(mutex_);
    if (shown_) std::fputs("\n", stderr);
    shown_ = false;
  }

 private:
  std::mutex mutex_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDrawn_;
};

// Every message box of the handlers becomes one line on stderr.
void PrintMessagesOf(MemoryWindow& window, ProgressBar* bar) {
  window.OnMessage([bar](const ShownMessage& message) {
    if (bar != nullptr) bar->Break();
    PrintLine(stderr, "信息：" + GbkToUtf8(message.text));
  });
}

// Search through the handler of 按钮_搜索, with the keyword typed into 编辑框_搜索.
int Search(MemoryWindow& window, AppState& state, const Service& service,
           const std::string& keyword) {
  window.SetControlText(Control::编辑框_搜索, Utf8ToGbk(keyword));
  SearchSongs(window, state, service.host());
  return window.RowCount() > 0 ? kExitSuccess : kExitFailure;
}

}  // namespace

bool ParseArguments(int argc, char** argv, Arguments& arguments, std::string& error) {
  bool optionsEnded = false;
  bool commandSeen = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (!optionsEnded && word == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (word == "--help" || word == "-h")) {
      arguments.help = true;
      continue;
    }
    if (!optionsEnded && word.size() > 1 && word[0] == '-') {
      const std::size_t equals = word.find('=');
      const std::string name = word.substr(0, equals);
      const Option* option = nullptr;
      for (const Option& candidate : kOptions) {
        if (name == candidate.name) option = &candidate;
      }
      if (option == nullptr) {
        error = "未知选项 " + name;
        return false;
      }
      std::string value;
      if (equals != std::string::npos) {
        value = word.substr(equals + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      }
      if (value.empty()) {
        error = name + " 缺少取值";
        return false;
      }
      arguments.*(option->field) = value;
      continue;
    }
    if (!commandSeen) {
      arguments.command = word;
      commandSeen = true;
    } else {
      arguments.words.push_back(word);
    }
  }
  return true;
}

std::optional<std::string> UnexpectedOption(const Arguments& arguments,
                                            std::initializer_list<std::string_view> allowed) {
  for (const Option& option : kOptions) {
    if (!(arguments.*(option.field))) continue;
    if (std::find(allowed.begin(), allowed.end(), option.name) == allowed.end()) return option.name;
  }
  return std::nullopt;
}

int UsageError(const std::string& explanation) {
  PrintLine(stderr, "qoravel: " + explanation + "（qoravel --help 查看用法）");
  return kExitUsage;
}

Service::Service() = default;
Service::~Service() = default;

bool Service::Open(const Arguments& arguments) {
  const char* fromEnvironment = std::getenv(kHostVariable);
  if (arguments.host) {
    host_ = Utf8ToGbk(*arguments.host);
    PrintLine(stderr, "服务：" + *arguments.host + "（--host）");
  } else if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
    host_ = Utf8ToGbk(fromEnvironment);
    PrintLine(stderr, "服务：" + std::string(fromEnvironment) + "（" + kHostVariable + "）");
  } else {
    demo_ = std::make_unique<DemoService>();
    if (!demo_->Start()) {
      PrintLine(stderr, "qoravel: 内置演示服务无法启动");
      return false;
    }
    host_ = demo_->host();
    PrintLine(stderr, "服务：" + host_ + "（内置演示服务）");
  }
  return true;
}

int RunSearchCommand(const Arguments& arguments) {
  if (arguments.words.size() != 1)
    return UsageError("search 需要一个关键词：qoravel search 关键词");
  Service service;
  if (!service.Open(arguments)) return kExitFailure;
  MemoryWindow window;
  AppState state;
  PrintMessagesOf(window, nullptr);
  const int status = Search(window, state, service, arguments.words[0]);
  PrintRows(window);
  return status;
}

int RunDownloadCommand(const Arguments& arguments) {
  if (arguments.words.size() != 1) {
    return UsageError(
        "download 需要一个关键词：qoravel download 关键词 --row N --quality flac|sq|hq|lq");
  }
  if (!arguments.row) return UsageError("download 需要 --row N（从 1 数起）");
  const std::optional<long long> row = ParseNumber(*arguments.row, 1);
  if (!row) return UsageError("--row 需要从 1 起的整数，而不是 " + *arguments.row);
  if (!arguments.quality) return UsageError("download 需要 --quality flac|sq|hq|lq");
  int column = -1;
  for (const QualityOption& option : kQualityOptions) {
    if (*arguments.quality == option.name) column = option.column;
  }
  if (column < 0)
    return UsageError("--quality 只能是 flac、sq、hq 或 lq，而不是 " + *arguments.quality);

  AppState state;
  if (arguments.to) {
    // For this run only: nothing is written to the settings file.
    const std::string folder = std::filesystem::absolute(*arguments.to).lexically_normal().string();
    state.saveFolder = Utf8ToGbk(folder);
    // A name code page 936 cannot hold would turn into another folder ("?" in its place).
    if (GbkToUtf8(state.saveFolder) != folder)
      return UsageError("--to 的文件夹名含有无法表示的字符：" + *arguments.to);
    if (state.saveFolder.size() > 1 && state.saveFolder.back() == '/') state.saveFolder.pop_back();
  }

  Service service;
  if (!service.Open(arguments)) return kExitFailure;
  MemoryWindow window;
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  ProgressBar bar;
  PrintMessagesOf(window, terminal ? &bar : nullptr);
  if (arguments.to) {
    window.SetControlText(Control::编辑框_保存, state.saveFolder);
  } else {
    LoadSaveFolder(state, window);
  }
  if (Search(window, state, service, arguments.words[0]) != kExitSuccess) return kExitFailure;
  // A number beyond the list selects no row.
  window.SelectRow(*row > std::numeric_limits<int>::max() ? -1 : static_cast<int>(*row - 1));
  DownloadProgress progress;
  if (terminal)
    progress = [&bar](std::int64_t received, std::int64_t total) { bar.Update(received, total); };
  StartDownload(window, state, column, progress);
  WaitForDownloads();
  for (const ShownMessage& message : window.Messages()) {
    if (message.text == "下载成功"_gbk) return kExitSuccess;
  }
  return kExitFailure;
}

int RunServeDemoCommand(const Arguments& arguments) {
  if (!arguments.words.empty())
    return UsageError("serve-demo 不接受其他词：qoravel serve-demo [--port P]");
  std::optional<long long> port = 0;
  if (arguments.port) port = ParseNumber(*arguments.port, 0);
  constexpr long long kHighestPort = 65535;
  if (!port || *port > kHighestPort)
    return UsageError("--port 需要 0 到 65535 之间的整数，而不是 " + *arguments.port);
  // The server's threads inherit this mask, so the two signals reach only the wait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  DemoService demo;
  if (!demo.Start(static_cast<int>(*port))) {
    PrintLine(stderr, "qoravel: 演示服务无法在端口 " + std::to_string(*port) + " 上启动");
    return kExitFailure;
  }
  PrintLine(stdout, "演示服务：http://" + demo.host() + "/（Ctrl+C 结束）");
  int received = 0;
  sigwait(&stopSignals, &received);
  demo.Stop();
  return kExitSuccess;
}

}  // namespace qoravel
