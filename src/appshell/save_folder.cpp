#include "appshell/save_folder.h"

#include "appshell/settings.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr char kSection[] = "a";
constexpr char kKey[] = "a";

bool IsTrimmedByReader(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

// The settings reader drops blanks around a value and one pair of matching quotes; a folder whose
// name would lose something that way is written in quotes so that it reads back unchanged.
Text StoredForm(const Text& folder) {
  if (folder.empty()) return folder;
  bool quoted = folder.size() >= 2 && (folder.front() == '"' || folder.front() == '\'') &&
                folder.back() == folder.front();
  if (quoted || IsTrimmedByReader(folder.front()) || IsTrimmedByReader(folder.back()))
    return "\"" + folder + "\"";
  return folder;
}

}  // namespace

void LoadSaveFolder(AppState& state, WindowOps& window) {
  Text path = SettingsPath();
  state.saveFolder = ReadSetting(path, kSection, kKey, ProgramDirectory());
  window.SetControlText(Control::编辑框_保存, state.saveFolder);
}

void ChangeSaveFolder(AppState& state, WindowOps& window, const FolderBrowser& browse) {
  Text folder = browse("请选择要保存的文件夹"_gbk);
  if (folder.empty()) return;
  state.saveFolder = folder;
  window.SetControlText(Control::编辑框_保存, state.saveFolder);
  Text path = SettingsPath();
  // A failed write goes unnoticed: the new folder still holds until the program ends.
  (void)WriteSetting(path, kSection, kKey, StoredForm(state.saveFolder));
}

}  // namespace qoravel
