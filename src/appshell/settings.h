// The settings file: the program's own directory, the path of qrvl.ini beside it, and INI profile
// reads and writes with the semantics of the Windows profile functions. Texts are code page 936;
// the file itself is UTF-8 on disk. Call from the UI thread (nothing here takes a lock).
#pragma once

#include <optional>

#include "textcore/text.h"

namespace qoravel {

// Longer values are cut, as the profile functions cut them to their caller's buffer (NUL included).
inline constexpr int kSettingBufferBytes = 10240;

// Directory of the program's own file, without a trailing separator ("" for a program in "/").
Text ProgramDirectory();
// ProgramDirectory followed by "/qrvl.ini".
Text SettingsPath();
// Tests point the program directory at a folder of their own; an empty optional restores the
// real one.
void OverrideProgramDirectory(std::optional<Text> directory);

// Value of `key` in `section` of `file` (names matched regardless of case), or `defaultValue`
// when the file, the section or the key is missing. A value in matching quotes loses them.
// Leading characters up to 32 are skipped in the three names; an empty name gives "".
Text ReadSetting(const Text& file, const Text& section, const Text& key, const Text& defaultValue);
// Writes `key=value` into `section`, creating the file and the section when needed, keeping every
// other line of the file as it was. False when the file cannot be read or written.
bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value);

}  // namespace qoravel
