#include "tmpfs_mount.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <string>

namespace qoravel::hostile {
namespace {

// Moves the process into a mount namespace of its own whose mounts do not propagate back. Works
// only while the process has one thread, so it is done before the first mount of a test, which
// comes before the test starts any server.
bool PrivateMountNamespace() {
  static const bool entered = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  return entered;
}

std::string SizeOption(std::int64_t bytes) { return "size=" + std::to_string(bytes); }

}  // namespace

std::unique_ptr<TmpfsMount> TmpfsMount::Mount(const std::filesystem::path& at, std::int64_t bytes) {
  if (!PrivateMountNamespace()) return nullptr;
  if (::mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, SizeOption(bytes).c_str()) != 0) {
    return nullptr;
  }
  return std::unique_ptr<TmpfsMount>(new TmpfsMount(at, bytes));
}

TmpfsMount::~TmpfsMount() { ::umount2(at_.c_str(), MNT_DETACH); }

bool TmpfsMount::MakeReadOnly() {
  return ::mount(nullptr, at_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                 SizeOption(bytes_).c_str()) == 0;
}

std::int64_t TmpfsMount::UsedBytes() const {
  struct statvfs figures {};
  if (::statvfs(at_.c_str(), &figures) != 0) return -1;
  return static_cast<std::int64_t>((figures.f_blocks - figures.f_bfree) * figures.f_frsize);
}

}  // namespace qoravel::hostile
