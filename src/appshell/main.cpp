// qoravel: the program's entry point. Reads the command line, picks the window or a command from
// the table below, and runs it.
#include <cstdio>
#include <string>
#include <string_view>

#include "appshell/command_line.h"
#include "appshell/startup.h"
#include "music/download.h"
#include "music/search.h"

namespace qoravel {
namespace {

int RunWindow(const Arguments& arguments, int argc, char** argv) {
  if (!arguments.words.empty()) return UsageError("多余的词：" + arguments.words.front());
  Service service;
  if (!service.Open(arguments)) return kExitFailure;
  AppState state;
  WindowHandlers handlers;
  handlers.searchClicked = [&](WindowOps& window) { SearchSongs(window, state, service.host()); };
  handlers.qualityChosen = [&](WindowOps& window, int column) {
    StartDownload(window, state, column);
  };
  return RunMainWindow(argc, argv, state, handlers);
}

int RunSearch(const Arguments& arguments, int, char**) { return RunSearchCommand(arguments); }
int RunDownload(const Arguments& arguments, int, char**) { return RunDownloadCommand(arguments); }
int RunServeDemo(const Arguments& arguments, int, char**) { return RunServeDemoCommand(arguments); }

struct Command {
  std::string_view name;  // empty: no command word
  std::string_view synopsis;
  std::initializer_list<std::string_view> options;
  int (*run)(const Arguments& arguments, int argc, char** argv);
};

const Command kCommands[] = {
    {"", "qoravel                         打开主窗口", {"--host"}, RunWindow},
    {"search", "qoravel search 关键词             搜索并列出结果", {"--host"}, RunSearch},
    {"download",
     "qoravel download 关键词 --row N --quality flac|sq|hq|lq [--to 文件夹]   下载第 N 行",
     {"--host", "--row", "--quality", "--to"},
     RunDownload},
    {"serve-demo",
     "qoravel serve-demo [--port P]   在前台运行演示服务",
     {"--host", "--port"},
     RunServeDemo},
};

int PrintUsage() {
  std::puts("用法：");
  for (const Command& command : kCommands)
    std::printf("  %s\n", std::string(command.synopsis).c_str());
  std::puts("所有命令都可加 --host 主机[:端口]（否则取 QORAVEL_HOST，再否则用内置演示服务）");
  return kExitSuccess;
}

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace
}  // namespace qoravel

int main(int argc, char** argv) {
  using namespace qoravel;
  Arguments arguments;
  std::string error;
  if (!ParseArguments(argc, argv, arguments, error)) return UsageError(error);
  if (arguments.help) return PrintUsage();
  const Command* command = FindCommand(arguments.command);
  if (command == nullptr) return UsageError("未知命令 " + arguments.command);
  if (auto option = UnexpectedOption(arguments, command->options)) {
    return UsageError(std::string(command->name.empty() ? "主窗口" : command->name) + " 不使用 " +
                      *option);
  }
  return command->run(arguments, argc, argv);
}
