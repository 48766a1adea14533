#include "folder_tree.h"

#include <fstream>
#include <sstream>

namespace qoravel::hostile {

FolderTree ReadTree(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  FolderTree tree;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().lexically_relative(root).string();
    if (it->is_symlink()) {
      tree[name] = "link:" + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      tree[name] = "folder";
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      std::ostringstream content;
      content << in.rdbuf();
      tree[name] = "file:" + content.str();
    }
  }
  return tree;
}

std::string TreeDifference(const FolderTree& before, const FolderTree& after) {
  std::string lines;
  auto describe = [](const std::string& entry) {
    return entry.size() > 40 ? entry.substr(0, 40) + "... (" + std::to_string(entry.size()) + ")"
                             : entry;
  };
  for (const auto& [name, entry] : before) {
    auto found = after.find(name);
    if (found == after.end()) {
      lines += "removed: " + name + "\n";
    } else if (found->second != entry) {
      lines += "changed: " + name + " " + describe(entry) + " -> " + describe(found->second) + "\n";
    }
  }
  for (const auto& [name, entry] : after) {
    if (!before.contains(name)) lines += "added: " + name + " " + describe(entry) + "\n";
  }
  return lines;
}

}  // namespace qoravel::hostile
