// The command line through the real qoravel executable: its output, messages and exit statuses
// are what scripts rely on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <sstream>

#include "regex/regex_object.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::LoopbackServer;
using testing::TempDir;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;  // with a terminal, out and err are one stream, kept in out
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Execs the program in the child with the given environment changes.
[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::pair<std::string, std::string>>& env) {
  ::unsetenv("QORAVEL_HOST");
  for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

// Reads every given descriptor to its end, each into its own text.
void Drain(std::vector<std::pair<int, std::string*>> sources) {
  std::vector<pollfd> fds;
  for (auto& source : sources) fds.push_back({source.first, POLLIN, 0});
  std::size_t open = fds.size();
  while (open > 0) {
    ::poll(fds.data(), fds.size(), -1);
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sources[i].second->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

int Reap(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Outcome RunQoravel(const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env = {},
                   const std::string& program = QORAVEL_EXECUTABLE) {
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) std::abort();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    Exec(program, args, env);
  }
  ::close(out[1]);
  ::close(err[1]);
  Outcome outcome;
  Drain({{out[0], &outcome.out}, {err[0], &outcome.err}});
  outcome.status = Reap(child);
  return outcome;
}

// Runs the program on a pseudo-terminal, as a person at a terminal would.
Outcome RunOnTerminal(const std::vector<std::string>& args) {
  int terminal = -1;
  winsize size{40, 200, 0, 0};
  const pid_t child = ::forkpty(&terminal, nullptr, nullptr, &size);
  if (child == 0) Exec(QORAVEL_EXECUTABLE, args, {});
  Outcome outcome;
  Drain({{terminal, &outcome.out}});  // ends with EIO once the child has gone
  outcome.status = Reap(child);
  return outcome;
}

// The first match of a pattern in a UTF-8 line, or "" when there is none.
std::string Find(const std::string& pattern, const std::string& line) {
  RegexObject regex;
  if (!regex.CompileAndExecute(Utf8ToGbk(pattern), Utf8ToGbk(line), /*caseSensitive=*/true) ||
      regex.MatchCount() == 0) {
    return {};
  }
  return GbkToUtf8(regex.MatchText(1));
}

bool Matches(const std::string& pattern, const std::string& line) {
  return !line.empty() && Find("^(?:" + pattern + ")$", line) == line;
}

const char kDemoLine[] = R"(服务：127\.0\.0\.1:\d+（内置演示服务）)";

TEST(CommandLineSearchTest, PrintsTabSeparatedRowsFromTheDemoService) {
  const Outcome outcome = RunQoravel({"search", "林沐川"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  const std::vector<std::string> err = Lines(outcome.err);
  ASSERT_EQ(err.size(), 1u) << outcome.err;
  EXPECT_TRUE(Matches(kDemoLine, err[0])) << err[0];
  const std::vector<std::string> rows = Lines(outcome.out);
  ASSERT_GE(rows.size(), 3u);
  const std::string row(
      R"(([^\t]+)\t([^\t]+)\t(\d\d:\d\d)\t(http://127\.0\.0\.1:\d+/music/file/\d+/flac\.mp3)?)"
      R"(\t(http://[^\t]+/sq\.mp3)?\t(http://[^\t]+/hq\.mp3)?\t(http://[^\t]+/lq\.mp3)?)");
  for (const std::string& line : rows) EXPECT_TRUE(Matches(row, line)) << line;
  EXPECT_EQ(rows[0].substr(0, rows[0].find("\thttp")), "北岸的灯\t林沐川\t04:12");
  EXPECT_NE(outcome.out.find("你听见了吗 \t林沐川\t"), std::string::npos);
  EXPECT_NE(outcome.out.find("\t林沐川、周一禾、白露\t"), std::string::npos);
}

TEST(CommandLineSearchTest, NothingFoundIsAFailureMessage) {
  const Outcome outcome = RunQoravel({"search", "无此歌曲"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(Lines(outcome.err).back(), "信息：匹配失败，请检检查正则语句是否有误，数量：0");
}

TEST(CommandLineSearchTest, HostComesFromTheOptionThenTheEnvironment) {
  LoopbackServer service;
  std::mutex seenMutex;  // the server's thread writes, the test reads
  std::string seenTarget;
  service.server().Get("/music/search/wy/1", [&](const httplib::Request& request,
                                                 httplib::Response& response) {
    std::lock_guard lock(seenMutex);
    seenTarget = request.target;
    response.set_content(
        R"({"SongName":"a?b","Artist":"x;y","Length":"1","FlacUrl":"f","SqUrl":"s","HqUrl":"h","LqUrl":"l"})",
        "application/json");
  });
  service.Start();
  const std::string refused = "127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort());

  const Outcome fromEnvironment = RunQoravel({"search", "ab"}, {{"QORAVEL_HOST", service.host()}});
  EXPECT_EQ(fromEnvironment.status, 0);
  EXPECT_EQ(fromEnvironment.out, "a b\tx、y\t1\tf\ts\th\tl\n");
  EXPECT_EQ(fromEnvironment.err, "服务：" + service.host() + "（QORAVEL_HOST）\n");
  {
    std::lock_guard lock(seenMutex);
    EXPECT_EQ(
        seenTarget,
        "/music/search/wy/1?format=json&sign=7e2d49b1c08f365ad4e91b7c2f06a835&keyword=%61%62");
  }

  const Outcome fromOption =
      RunQoravel({"search", "--host", refused, "ab"}, {{"QORAVEL_HOST", service.host()}});
  EXPECT_EQ(fromOption.status, 1);
  EXPECT_EQ(fromOption.err,
            "服务：" + refused + "（--host）\n信息：匹配失败，请检检查正则语句是否有误，数量：0\n");
}

TEST(CommandLineDownloadTest, SavesTheRowsQualityIntoTheFolderGiven) {
  TempDir folder;
  const Outcome outcome = RunQoravel(
      {"download", "林沐川", "--row", "6", "--quality", "flac", "--to", folder.path().string()});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(Lines(outcome.err).back(), "信息：下载成功");
  const std::string song = TempDir::ReadFile(folder.path() / "林沐川、周一禾、白露 - 夏夜晚风.mp3");
  EXPECT_EQ(song.substr(0, 3), "ID3");
  EXPECT_GT(song.size(), 50000u);
}

TEST(CommandLineDownloadTest, WithoutAFolderUsesTheRememberedOne) {
  TempDir programDir, folder;
  const std::filesystem::path program = programDir.path() / "qoravel";
  std::filesystem::copy_file(QORAVEL_EXECUTABLE, program);
  programDir.WriteFile("qrvl.ini", "[a]\na=" + folder.path().string() + "\n");
  const Outcome outcome =
      RunQoravel({"download", "月光码头", "--row", "1", "--quality", "lq"}, {}, program.string());
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "白露 - 月光码头.mp3"));
}

TEST(CommandLineDownloadTest, MissingRowsQualitiesAndFailedFetchesExitWithOne) {
  LoopbackServer service;
  service.server().Get(
      "/music/search/wy/1", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(
            R"({"SongName":"S","Artist":"A","Length":"1","FlacUrl":"","SqUrl":"","HqUrl":")" +
                service.Url("/gone.mp3") + R"(","LqUrl":""})",
            "application/json");
      });
  service.Start();
  TempDir folder;
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--row", "2", "--quality", "hq"}, "信息：暂无此音质资源"},
      {{"--row", "99999999999999999999999", "--quality", "hq"}, "信息：暂无此音质资源"},
      {{"--row", "1", "--quality", "lq"}, "信息：暂无此音质资源"},
      {{"--row", "1", "--quality", "hq"}, "信息：下载失败"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"download",     "S",    "--host",
                                  service.host(), "--to", folder.path().string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome outcome = RunQoravel(args);
    EXPECT_EQ(outcome.status, 1) << c.message;
    EXPECT_EQ(Lines(outcome.err).back(), c.message);
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(CommandLineUsageTest, BadArgumentsGetOneLineAndStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"search"},
      {"search", "a", "b"},
      {"search", "a", "--row", "1"},
      {"search", "a", "--host"},
      {"search", "a", "--host="},
      {"download", "a", "--row", "1", "--quality", "lq", "--to", ""},
      {"download", "a", "--row", "1", "--quality", "lq", "--to", "/tmp/\xF0\x9F\x8E\xB5"},
      {"search", "a", "--colour"},
      {"play", "a"},
      {"download", "a", "--quality", "lq"},
      {"download", "a", "--row", "1"},
      {"download", "a", "--row", "0", "--quality", "lq"},
      {"download", "a", "--row", "x", "--quality", "lq"},
      {"download", "a", "--row", "1", "--quality", "ape"},
      {"serve-demo", "--port", "70000"},
  };
  for (const auto& args : cases) {
    const Outcome outcome = RunQoravel(args);
    EXPECT_EQ(outcome.status, 2) << args[0] << " " << args.size();
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(Lines(outcome.err).size(), 1u) << outcome.err;
  }
  EXPECT_EQ(RunQoravel({"--help"}).status, 0);
}

TEST(CommandLineServeDemoTest, ServesUntilTerminated) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    Exec(QORAVEL_EXECUTABLE, {"serve-demo", "--port", "0"}, {});
  }
  ::close(out[1]);
  std::string line;
  for (char c; ::read(out[0], &c, 1) == 1 && c != '\n';) line += c;
  const std::string address = Find(R"(127\.0\.0\.1:\d+)", line);
  ASSERT_NE(address, "") << line;
  const Outcome search = RunQoravel({"search", "--host", address, "苏晚晴"});
  EXPECT_EQ(search.status, 0);
  EXPECT_EQ(Lines(search.out).size(), 3u);
  ::kill(child, SIGTERM);
  EXPECT_EQ(Reap(child), 0);
  ::close(out[0]);
}

TEST(CommandLineTerminalTest, ShowsATableAndAProgressBar) {
  const Outcome search = RunOnTerminal({"search", "苏晚晴"});
  EXPECT_EQ(search.status, 0);
  EXPECT_NE(search.out.find("#  歌曲名称      歌手            时间长度  Flac  SQ  HQ  LQ\r\n"),
            std::string::npos)
      << search.out;
  EXPECT_NE(search.out.find("3  为什么是我    苏晚晴          03:59     有    -   有  有\r\n"),
            std::string::npos)
      << search.out;

  TempDir folder;
  const Outcome download = RunOnTerminal(
      {"download", "苏晚晴", "--row", "1", "--quality", "lq", "--to", folder.path().string()});
  EXPECT_EQ(download.status, 0);
  EXPECT_NE(download.out.find("] 100%"), std::string::npos) << download.out;
  EXPECT_NE(download.out.find("信息：下载成功"), std::string::npos);
}

}  // namespace
}  // namespace qoravel
