// RunQoravel: the real qoravel executable in a child process with its output captured, watched
// for wall time and resident memory so that a hang or a runaway ends as a test failure instead of
// a stuck suite or a starved machine. Test-only; call from one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qoravel::hostile {

struct RunLimits {
  std::chrono::seconds wallTime{60};  // the child is killed after this
  // The child is killed when its resident memory grows beyond this.
  std::int64_t residentBytes = std::int64_t{3} << 30;
  // RLIMIT_FSIZE for the child, with SIGXFSZ ignored so that a write past it fails as on a full
  // disk instead of killing the program.
  std::optional<std::int64_t> fileSizeBytes;
};

struct RunResult {
  int exitStatus = -1;   // -1 when the child ended by a signal
  int signal = 0;        // the signal that ended it, 0 for a normal exit
  bool hung = false;     // killed by the watchdog for running past the wall time
  bool runaway = false;  // killed by the watchdog for its memory
  std::string out;
  std::string err;
  std::int64_t peakResidentBytes = 0;
  std::chrono::milliseconds elapsed{0};

  std::vector<std::string> ErrLines() const;
  std::string LastErrLine() const;
  // A clean end: an exit (no signal) that the watchdog did not force.
  bool EndedByItself() const { return signal == 0 && !hung && !runaway; }
  // Everything worth printing when an expectation fails.
  std::string Describe() const;
};

// Runs qoravel with the arguments, in the given working folder, with no service host or proxy
// taken from the environment, and waits for it to end.
RunResult RunQoravel(const std::vector<std::string>& arguments,
                     const std::filesystem::path& workingFolder, const RunLimits& limits = {});

// Whether the executable under test was built with a sanitizer (its memory figures are larger).
bool SanitizedBuild();

}  // namespace qoravel::hostile
