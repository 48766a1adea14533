// TmpfsMount: a small memory file system mounted over a test folder, to give a download a disk
// that fills up or cannot be written at all. Mounts are made in a mount namespace private to the
// test process, so none outlives it or shows outside it. Test-only; main thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace qoravel::hostile {

class TmpfsMount {
 public:
  // Mounts a tmpfs of the given size over an existing folder; nothing when this process may not
  // mount (not root, or no private mount namespace to be had).
  static std::unique_ptr<TmpfsMount> Mount(const std::filesystem::path& at, std::int64_t bytes);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;

  // Remounts it read-only, keeping what it holds.
  [[nodiscard]] bool MakeReadOnly();
  // Bytes in use, as the file system counts them.
  std::int64_t UsedBytes() const;

 private:
  TmpfsMount(std::filesystem::path at, std::int64_t bytes) : at_(std::move(at)), bytes_(bytes) {}

  std::filesystem::path at_;
  std::int64_t bytes_;
};

}  // namespace qoravel::hostile
