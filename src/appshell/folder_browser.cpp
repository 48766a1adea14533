#include "appshell/folder_browser.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include "appshell/qt_text.h"

namespace qoravel {

Text BrowseForFolder(const Text& prompt) {
  // Owned by the active window and application-modal: the program's windows take no input
  // meanwhile. It opens at the home folder with nothing chosen.
  QString folder = QFileDialog::getExistingDirectory(
      QApplication::activeWindow(), ToQString(prompt), QDir::homePath(), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return {};
  folder = QDir::cleanPath(folder);
  // A folder whose name code page 936 cannot hold would come back as another folder ("?" in
  // place of the character): that counts as no choice.
  Text text = FromQString(folder);
  if (ToQString(text) != folder) return {};
  return text;
}

}  // namespace qoravel
