// Song files on disk: the name a download gets, the whole-buffer write, and the partial file a
// download streams into until it is complete. Paths are code page 936 texts, converted to the
// file system's UTF-8 when a file is opened. Safe on any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "textcore/text.h"

namespace qoravel {

// save folder + "/" + singer + " - " + song name + ".mp3", joined as they are. Nothing when the
// singer or the song name holds a "/": such a name could lead out of the save folder.
std::optional<Text> SongFileName(const Text& saveFolder, const Text& singer, const Text& songName);

// Writes the bytes into the file, created when missing and truncated when present. False for an
// empty path, a missing folder, no access, a file another writer holds, or a failed write.
[[nodiscard]] bool WriteBytesToFile(const Text& path, const ByteBuffer& bytes);

// A hidden file beside the final one that takes the final name only by Commit, in one rename;
// until then no file of that name is touched. Destroyed without Commit, it removes itself.
class PartialFile {
 public:
  PartialFile() = default;
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Creates the partial file in the folder of finalPath. False when that folder cannot take it.
  [[nodiscard]] bool Open(const Text& finalPath);
  [[nodiscard]] bool Write(const char* data, std::size_t size);
  // Closes the file and renames it over the final path. False (and the file removed) when the
  // close or the rename fails.
  [[nodiscard]] bool Commit();

 private:
  void Discard();

  int fd_ = -1;
  std::string partialPath_;
  std::string finalPath_;
};

}  // namespace qoravel
