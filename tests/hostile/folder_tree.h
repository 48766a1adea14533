// FolderTree: what lies below a folder, to tell that a run added, changed or removed nothing it
// should not have. Test-only.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace qoravel::hostile {

// Relative path (UTF-8) -> "file:" + content, "link:" + target or "folder".
using FolderTree = std::map<std::string, std::string>;

FolderTree ReadTree(const std::filesystem::path& root);

// The entries that differ between two trees, one per line, for failure messages.
std::string TreeDifference(const FolderTree& before, const FolderTree& after);

}  // namespace qoravel::hostile
