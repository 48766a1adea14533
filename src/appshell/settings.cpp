#include "appshell/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "textcore/codepage.h"

namespace qoravel {
namespace {

std::optional<Text>& DirectoryOverride() {
  static std::optional<Text> directory;
  return directory;
}

// The blanks the profile functions strip around lines, names and values (0x1A is DOS end-of-file).
bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view TrimEnd(std::string_view text) {
  while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
  return TrimEnd(text);
}

// Names given by the caller lose their leading control characters and blanks (codes up to 32).
std::string_view SkipLeadingControls(std::string_view name) {
  while (!name.empty() && static_cast<unsigned char>(name.front()) <= 32) name.remove_prefix(1);
  return name;
}

// Section and key names compare per character with simple case folding, as the profile
// functions compare them; both sides are UTF-8.
bool SameName(std::string_view a, std::string_view b) {
  int32_t i = 0, j = 0;
  const auto aLength = static_cast<int32_t>(a.size()), bLength = static_cast<int32_t>(b.size());
  while (i < aLength && j < bLength) {
    UChar32 ca, cb;
    U8_NEXT(a.data(), i, aLength, ca);
    U8_NEXT(b.data(), j, bLength, cb);
    if (ca != cb && u_foldCase(ca, U_FOLD_CASE_DEFAULT) != u_foldCase(cb, U_FOLD_CASE_DEFAULT))
      return false;
  }
  return i == aLength && j == bLength;
}

// One line of the file as it stands, its ending kept so that a rewrite changes nothing else.
struct Line {
  std::string_view text;
  std::string_view ending;
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  while (!content.empty()) {
    size_t end = content.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      lines.push_back({content, {}});
      break;
    }
    size_t endingLength = content.compare(end, 2, "\r\n") == 0 ? 2 : 1;
    lines.push_back({content.substr(0, end), content.substr(end, endingLength)});
    content.remove_prefix(end + endingLength);
  }
  return lines;
}

// The name of a section header line ("[name]", up to its last bracket), or nullopt.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.rfind(']');
  if (close == 0 || close == std::string_view::npos) return std::nullopt;
  return line.substr(1, close - 1);
}

// A key line is "name=value"; a line without "=" is a key with no value.
struct KeyLine {
  std::string_view name;
  std::optional<std::string_view> value;
};

KeyLine ParseKeyLine(std::string_view line) {
  line = Trim(line);
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {line, std::nullopt};
  return {TrimEnd(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

// Where a section and a key sit in the file: line indexes, or -1.
struct Location {
  int section = -1;
  int key = -1;
  int sectionEnd = -1;  // one past the section's last non-blank line
};

// Only the first section of the name is searched, as the profile functions do.
Location Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location found;
  const int count = static_cast<int>(lines.size());
  for (int i = 0; i < count; ++i) {
    auto name = SectionName(lines[i].text);
    if (!name) continue;
    if (found.section >= 0) break;
    if (!SameName(*name, section)) continue;
    found.section = i;
    found.sectionEnd = i + 1;
    for (int j = i + 1; j < count && !SectionName(lines[j].text); ++j) {
      if (Trim(lines[j].text).empty()) continue;
      found.sectionEnd = j + 1;
      if (found.key < 0 && SameName(ParseKeyLine(lines[j].text).name, key)) found.key = j;
    }
  }
  return found;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class FileState { kRead, kMissing, kUnreadable };

FileState ReadWholeFile(const std::string& path, std::string& content) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? FileState::kMissing : FileState::kUnreadable;
  content.clear();
  char buffer[16384];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) content.append(buffer, got);
  close(fd);
  return got == 0 ? FileState::kRead : FileState::kUnreadable;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// A new file is created in place; an existing one is replaced through a temporary file beside it,
// so that a failed write never leaves it half written.
bool ReplaceFile(const std::string& path, std::string_view content, bool exists) {
  if (!exists) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool written = WriteAll(fd, content);
    if (close(fd) != 0 || !written) {
      unlink(path.c_str());
      return false;
    }
    return true;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  std::string temporary = path + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool written = fchmod(fd, info.st_mode & 07777) == 0 && WriteAll(fd, content) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

// Cuts a code page 936 text to `limit` bytes without splitting a two-byte character.
Text CutToBytes(const Text& text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    auto lead = static_cast<unsigned char>(text[end]);
    size_t width = (lead >= 0x81 && lead <= 0xFE && end + 1 < text.size()) ? 2 : 1;
    if (end + width > limit) break;
    end += width;
  }
  return text.substr(0, end);
}

// What the caller's buffer receives: a value in matching single or double quotes loses them.
Text CopyEntry(Text value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return CutToBytes(value, kSettingBufferBytes - 1);
}

}  // namespace

Text ProgramDirectory() {
  if (DirectoryOverride()) return *DirectoryOverride();
  std::string path(4096, '\0');
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return {};
  path.resize(length);
  path.resize(path.rfind('/'));
  return Utf8ToGbk(path);
}

Text SettingsPath() { return ProgramDirectory() + "/qrvl.ini"; }

void OverrideProgramDirectory(std::optional<Text> directory) {
  DirectoryOverride() = std::move(directory);
}

Text ReadSetting(const Text& file, const Text& section, const Text& key, const Text& defaultValue) {
  std::string_view fileName = SkipLeadingControls(file);
  std::string_view sectionName = TrimEnd(SkipLeadingControls(section));
  std::string_view keyName = TrimEnd(SkipLeadingControls(key));
  if (fileName.empty() || sectionName.empty() || keyName.empty()) return {};

  // Trailing blanks of the default are dropped, as the profile functions drop them.
  std::string_view fallback = defaultValue;
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);

  std::string content;
  if (ReadWholeFile(GbkToUtf8(Text(fileName)), content) != FileState::kRead)
    return CopyEntry(Text(fallback));
  std::string_view view = content;
  if (view.starts_with(kUtf8Bom)) view.remove_prefix(kUtf8Bom.size());

  std::vector<Line> lines = SplitLines(view);
  Location found = Locate(lines, GbkToUtf8(Text(sectionName)), GbkToUtf8(Text(keyName)));
  if (found.key < 0) return CopyEntry(Text(fallback));
  std::optional<std::string_view> value = ParseKeyLine(lines[found.key].text).value;
  if (!value) return CopyEntry(Text(fallback));
  return CopyEntry(Utf8ToGbk(std::string(*value)));
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  std::string_view fileName = SkipLeadingControls(file);
  std::string_view sectionName = TrimEnd(SkipLeadingControls(section));
  std::string_view keyName = TrimEnd(SkipLeadingControls(key));
  if (fileName.empty() || sectionName.empty() || keyName.empty()) return false;
  // A line break inside the value would split the line and corrupt the file.
  if (value.find_first_of("\r\n") != Text::npos) return false;
  std::string_view trimmedValue = value;
  while (!trimmedValue.empty() && IsProfileSpace(trimmedValue.front()))
    trimmedValue.remove_prefix(1);

  const std::string path = GbkToUtf8(Text(fileName));
  const std::string sectionUtf8 = GbkToUtf8(Text(sectionName));
  const std::string keyUtf8 = GbkToUtf8(Text(keyName));
  const std::string valueUtf8 = GbkToUtf8(Text(trimmedValue));

  std::string content;
  FileState state = ReadWholeFile(path, content);
  if (state == FileState::kUnreadable) return false;
  std::string_view view = content;
  std::string_view bom = view.starts_with(kUtf8Bom) ? kUtf8Bom : std::string_view();
  view.remove_prefix(bom.size());

  std::vector<Line> lines = SplitLines(view);
  std::string_view eol = lines.empty() || lines[0].ending.empty() ? "\n" : lines[0].ending;
  Location found = Locate(lines, sectionUtf8, keyUtf8);

  std::string keyLine;  // the line that replaces or joins the others
  int insertAt = static_cast<int>(lines.size());
  if (found.key >= 0) {
    keyLine = std::string(ParseKeyLine(lines[found.key].text).name) + "=" + valueUtf8;
    if (lines[found.key].text == keyLine) return true;
  } else {
    keyLine = keyUtf8 + "=" + valueUtf8;
    if (found.section >= 0) insertAt = found.sectionEnd;
  }

  const int lineCount = static_cast<int>(lines.size());
  const bool appendsAtEnd = found.key < 0 && insertAt == lineCount;
  std::string rewritten(bom);
  for (int i = 0; i < lineCount; ++i) {
    if (i == insertAt && found.key < 0) rewritten.append(keyLine).append(eol);
    rewritten.append(i == found.key ? std::string_view(keyLine) : lines[i].text);
    rewritten.append(lines[i].ending);
    if (i + 1 == lineCount && lines[i].ending.empty() && appendsAtEnd) rewritten.append(eol);
  }
  if (found.section < 0) rewritten.append("[").append(sectionUtf8).append("]").append(eol);
  if (appendsAtEnd) rewritten.append(keyLine).append(eol);
  return ReplaceFile(path, rewritten, state == FileState::kRead);
}

}  // namespace qoravel
