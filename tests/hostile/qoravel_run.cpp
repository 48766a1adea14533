#include "qoravel_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qoravel::hostile {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWatchMilliseconds = 50;  // how often the watchdog looks at the child
constexpr const char* kClearedVariables[] = {"QORAVEL_HOST", "http_proxy",  "HTTP_PROXY",
                                             "https_proxy",  "HTTPS_PROXY", "all_proxy",
                                             "ALL_PROXY"};

// Runs in the forked child: only async-signal-safe calls before exec, apart from the setenv
// family, which is safe here because the child has a single thread.
[[noreturn]] void ExecChild(const std::vector<std::string>& arguments,
                            const std::filesystem::path& workingFolder, const RunLimits& limits,
                            int out, int err) {
  ::dup2(out, STDOUT_FILENO);
  ::dup2(err, STDERR_FILENO);
  // Sockets of the test's servers must not stay open in the program: a server that closes a
  // connection has to close it for real.
  ::close_range(3, ~0U, 0);
  const int devNull = ::open("/dev/null", O_RDONLY);
  ::dup2(devNull, STDIN_FILENO);
  if (::chdir(workingFolder.c_str()) != 0) ::_exit(126);
  for (const char* name : kClearedVariables) ::unsetenv(name);
  if (limits.fileSizeBytes) {
    ::signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
    const rlimit size{static_cast<rlim_t>(*limits.fileSizeBytes),
                      static_cast<rlim_t>(*limits.fileSizeBytes)};
    ::setrlimit(RLIMIT_FSIZE, &size);
  }
  std::vector<char*> argv{const_cast<char*>(QORAVEL_EXECUTABLE)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(QORAVEL_EXECUTABLE, argv.data());
  ::_exit(127);
}

// The child's resident memory now, from /proc; 0 once it has gone.
std::int64_t ResidentBytes(pid_t child) {
  std::ifstream status("/proc/" + std::to_string(child) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  }
  return 0;
}

}  // namespace

std::vector<std::string> RunResult::ErrLines() const {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string RunResult::LastErrLine() const {
  const std::vector<std::string> lines = ErrLines();
  return lines.empty() ? std::string() : lines.back();
}

std::string RunResult::Describe() const {
  std::ostringstream text;
  text << "exit status " << exitStatus << ", signal " << signal << (hung ? ", hung" : "")
       << (runaway ? ", memory ran away" : "") << ", " << elapsed.count() << " ms, peak "
       << peakResidentBytes / (1024 * 1024) << " MB\nstderr:\n"
       << err.substr(0, 2000) << "\nstdout (" << out.size() << " bytes):\n"
       << out.substr(0, 2000);
  return text.str();
}

RunResult RunQoravel(const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunLimits& limits) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) std::abort();
  const Clock::time_point started = Clock::now();
  const pid_t child = ::fork();
  if (child < 0) std::abort();
  if (child == 0) ExecChild(arguments, workingFolder, limits, out[1], err[1]);
  ::close(out[1]);
  ::close(err[1]);

  RunResult result;
  std::array<pollfd, 2> streams{pollfd{out[0], POLLIN, 0}, pollfd{err[0], POLLIN, 0}};
  std::array<std::string*, 2> texts{&result.out, &result.err};
  int open = 2;
  bool killed = false;
  while (open > 0) {
    ::poll(streams.data(), streams.size(), kWatchMilliseconds);
    for (std::size_t i = 0; i < streams.size(); ++i) {
      if (streams[i].fd < 0 || streams[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        texts[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        ::close(streams[i].fd);
        streams[i].fd = -1;
        --open;
      }
    }
    if (killed) continue;
    result.hung = Clock::now() - started > limits.wallTime;
    result.runaway = ResidentBytes(child) > limits.residentBytes;
    if (result.hung || result.runaway) {
      ::kill(child, SIGKILL);
      killed = true;
    }
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
  result.peakResidentBytes = static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

bool SanitizedBuild() { return QORAVEL_SANITIZED != 0; }

}  // namespace qoravel::hostile
