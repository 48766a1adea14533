// The command-line front end: its arguments, the service the program talks to, and the search,
// download and serve-demo commands, which drive the window's own handlers through the in-memory
// window. Output is UTF-8: rows on stdout, messages ("信息：" + text) on stderr. Exit status 0 for
// success, 1 when a message reported a failure, 2 for a usage error. Main thread only.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "textcore/text.h"

namespace qoravel {

class DemoService;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct Arguments {
  std::string command;                 // first word; empty for the window
  std::vector<std::string> words;      // the words after the command (the keyword)
  std::optional<std::string> host;     // --host HOST[:PORT]
  std::optional<std::string> row;      // --row N, counted from 1
  std::optional<std::string> quality;  // --quality flac|sq|hq|lq
  std::optional<std::string> to;       // --to DIR, the save folder for this run
  std::optional<std::string> port;     // --port P of serve-demo
  bool help = false;                   // --help or -h
};

// Splits argv into the command, its words and the options ("--name value" or "--name=value";
// "--" ends the options). False with a one-line explanation for an unknown option or one without
// a value (an empty value included).
[[nodiscard]] bool ParseArguments(int argc, char** argv, Arguments& arguments, std::string& error);

// The first option given that is not among the allowed names ("--host", ...), if any.
std::optional<std::string> UnexpectedOption(const Arguments& arguments,
                                            std::initializer_list<std::string_view> allowed);

// Prints "qoravel: " + explanation on stderr and gives the usage exit status.
int UsageError(const std::string& explanation);

// The music-search service in use: --host, else QORAVEL_HOST, else the built-in demo service
// started in this process for as long as this object lives.
class Service {
 public:
  Service();
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Picks the host and prints the one line naming it on stderr. False (with a line saying so)
  // when the demo service cannot start.
  [[nodiscard]] bool Open(const Arguments& arguments);
  const Text& host() const { return host_; }

 private:
  std::unique_ptr<DemoService> demo_;
  Text host_;
};

int RunSearchCommand(const Arguments& arguments);
int RunDownloadCommand(const Arguments& arguments);
int RunServeDemoCommand(const Arguments& arguments);

}  // namespace qoravel
