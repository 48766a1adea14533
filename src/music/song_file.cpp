#include "music/song_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "textcore/codepage.h"

namespace qoravel {

namespace {

// A GBK trail byte is never below 0x40, so a "/" byte in a text is always the separator itself.
constexpr char kSeparator = '/';
// New files get the usual permissions, narrowed by the process's umask.
constexpr mode_t kFileMode = 0666;
constexpr int kPartialNameAttempts = 100;

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

std::string RandomSuffix() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(generator()));
  return suffix;
}

}  // namespace

std::optional<Text> SongFileName(const Text& saveFolder, const Text& singer, const Text& songName) {
  if (singer.find(kSeparator) != Text::npos || songName.find(kSeparator) != Text::npos) {
    return std::nullopt;
  }
  return TextConcat(saveFolder, "/", singer, " - ", songName, ".mp3");
}

bool WriteBytesToFile(const Text& path, const ByteBuffer& bytes) {
  if (path.empty()) return false;
  const int fd = ::open(GbkToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, kFileMode);
  if (fd < 0) return false;
  // Another writer holding the file keeps it: we neither truncate nor write it.
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ftruncate(fd, 0) == 0 &&
            WriteAll(fd, reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ok = (::close(fd) == 0) && ok;
  return ok;
}

PartialFile::~PartialFile() { Discard(); }

bool PartialFile::Open(const Text& finalPath) {
  Discard();
  finalPath_ = GbkToUtf8(finalPath);
  const std::size_t slash = finalPath_.rfind(kSeparator);
  const std::string folder = slash == std::string::npos ? "" : finalPath_.substr(0, slash + 1);
  for (int attempt = 0; attempt < kPartialNameAttempts; ++attempt) {
    std::string candidate = folder + ".qoravel-" + RandomSuffix() + ".part";
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd_ >= 0) {
      partialPath_ = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool PartialFile::Write(const char* data, std::size_t size) {
  return fd_ >= 0 && WriteAll(fd_, data, size);
}

bool PartialFile::Commit() {
  if (fd_ < 0) return false;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!closed || ::rename(partialPath_.c_str(), finalPath_.c_str()) != 0) {
    Discard();
    return false;
  }
  partialPath_.clear();
  return true;
}

void PartialFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!partialPath_.empty()) ::unlink(partialPath_.c_str());
  partialPath_.clear();
}

}  // namespace qoravel
