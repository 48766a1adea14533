#include "textcore/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr std::nullopt_t kOmitted = std::nullopt;

std::vector<Text> Elements(const TextArray& array) {
  std::vector<Text> elements;
  for (int i = 1; i <= array.Count(); ++i) elements.push_back(array.At(i));
  return elements;
}

TEST(TextTest, CutsCountBytes) {
  EXPECT_EQ(TextLeft("abc", 5), "abc");
  EXPECT_EQ(TextLeft("abc", 0), "");
  EXPECT_EQ(TextLeft("abc", -1), "");
  EXPECT_EQ(TextLeft("\xC4\xE3"
                     "b",
                     1),
            "\xC4");  // a cut may divide a character
  EXPECT_EQ(TextRight("abc", 2), "bc");
  EXPECT_EQ(TextRight("abc", 7), "abc");
  EXPECT_EQ(TextRight("abc", -2), "");
  EXPECT_EQ(TextMid("abcdef", 5, 10), "ef");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMid("abc", 4, 1), "");
  EXPECT_EQ(TextMid("abc", 0, 2), "");
  EXPECT_EQ(TextMid("abc", 1, 0), "");
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("\xC4\xE3"
                       "a"),
            3);
}

struct FindCase {
  Text text;
  Text sought;
  std::optional<int> start;
  bool ignoreCase;
  int expected;
};

TEST(TextTest, FindStepsOverTwoByteCharacters) {
  const FindCase cases[] = {
      {"abcabc", "c", 4, false, 6},
      {"abcabc", "c", 0, false, 3},
      {"abcabc", "c", -5, false, 3},
      {"abcabc", "c", 7, false, -1},
      {"abcabc", "c", kOmitted, false, 3},
      {"abcabc", "bc", 3, false, 5},
      {"abc", "", 2, false, 1},
      {"abc", "", 4, false, -1},
      {"", "", kOmitted, false, -1},
      {"", "a", kOmitted, false, -1},
      {"User-agent: x", "User-Agent: ", 1, true, 1},
      {"User-agent: x", "User-Agent: ", 1, false, -1},
      {"\xB0"
       "A",
       "A", kOmitted, false, -1},  // A is the second byte of one character
      {"\xB0"
       "AA",
       "A", kOmitted, false, 3},
      {"\xB0"
       "A",
       "a", kOmitted, true, -1},
      {"a\xB0"
       "A",
       "A", 3, false, 3},  // boundaries count from the start position
      {"\xB0\xB0"
       "A",
       "\xB0"
       "A",
       kOmitted, false, -1},
      {"ab\xB0", "\xB0", kOmitted, false, 3},  // a lone lead byte still compares
      {"\xC4\xE3\xBA\xC3", "\xBA\xC3", kOmitted, false, 3},
      {"\xC4\xE3\xBA\xC3", "\xE3\xBA", kOmitted, false, -1},
      {"\xC4"
       "a",
       "\xC4"
       "A",
       kOmitted, true, 1},  // folding reaches second bytes
      {"xyz", "xyzw", kOmitted, false, -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(TextFind(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.sought);
  }
}

TEST(TextTest, FoldedFindCrossesItsInternalBlocks) {
  // The folded search works on 64 KB blocks: place a match on every offset around the first
  // block end, and one far beyond it.
  for (int at = 65536 - 8; at <= 65536 + 8; ++at) {
    const Text text = Text(static_cast<std::size_t>(at), 'x') + "NeEdLe" + Text(100, 'y');
    EXPECT_EQ(TextFind(text, "needle", kOmitted, true), at + 1) << at;
    EXPECT_EQ(TextReplace(text, "NEEDLE", "-"),
              Text(static_cast<std::size_t>(at), 'x') + "-" + Text(100, 'y'))
        << at;
  }
  const Text text = Text(200000, 'y') + "TAIL";
  EXPECT_EQ(TextFind(text, "tail", kOmitted, true), 200001);
  EXPECT_EQ(TextFind(text, "tail", kOmitted, false), -1);
}

struct ReplaceCase {
  Text text;
  Text sought;
  Text replacement;
  std::optional<int> start;
  std::optional<int> count;
  bool caseSensitive;
  Text expected;
};

TEST(TextTest, ReplaceLeftToRightWithoutRescanning) {
  const ReplaceCase cases[] = {
      {"aXbXc", "X", "-", kOmitted, kOmitted, true, "a-b-c"},
      {"aXbXc", "X", "-", kOmitted, 1, true, "a-bXc"},
      {"aXbXc", "X", "-", kOmitted, 0, true, "aXbXc"},
      {"aXbXc", "X", "-", kOmitted, -1, true, "a-b-c"},
      {"aXbXc", "", "-", kOmitted, kOmitted, true, "aXbXc"},
      {"aXbXc", "X", "", kOmitted, kOmitted, true, "abc"},
      {"aXbXc", "X", "-", 3, kOmitted, true, "aXb-c"},
      {"aXbXc", "X", "-", -4, kOmitted, true, "a-b-c"},
      {"aXbXc", "X", "-", 6, kOmitted, true, "aXbXc"},
      {"xAx", "a", "b", kOmitted, kOmitted, false, "xbx"},
      {"xAx", "a", "b", kOmitted, kOmitted, true, "xAx"},
      {"aaaa", "aa", "a", kOmitted, kOmitted, true, "aa"},
      {"a", "a", "aa", kOmitted, kOmitted, true, "aa"},
      {"", "a", "b", kOmitted, kOmitted, true, ""},
      {"\xB0"
       "A"
       "A",
       "A", "-", kOmitted, kOmitted, true,
       "\xB0"
       "A-"},
      // The scan drops a lone lead byte it reaches; a longer sought never reaches it.
      {"ab\xB0", "x", "-", kOmitted, kOmitted, true, "ab"},
      {"ab\xB0", "xy", "-", kOmitted, kOmitted, true, "ab\xB0"},
      {"ab\xB0", "\xB0", "-", kOmitted, kOmitted, true, "ab-"},
      {"aXb\xB0", "X", "-", kOmitted, 1, true, "a-b\xB0"},  // the count ran out first
  };
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(TextReplace(c.text, c.sought, c.replacement, c.start, c.count, c.caseSensitive),
              c.expected)
        << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.sought);
  }
  EXPECT_EQ(TextReplace("aXbXc", "X"), "abc");  // replacement left out, folding on by default
  EXPECT_EQ(TextReplace("axbXc", "X"), "abc");
}

struct SplitCase {
  Text text;
  Text delimiter;
  std::optional<int> maxPieces;
  std::vector<Text> expected;
};

TEST(TextTest, SplitPieces) {
  const SplitCase cases[] = {
      {"a;;b;", ";", kOmitted, {"a", "", "b"}},
      {";a", ";", kOmitted, {"", "a"}},
      {";", ";", kOmitted, {""}},
      {"", ";", kOmitted, {}},
      {"a;b;c", ";", 2, {"a", "b"}},
      {"a;b;c", ";", 3, {"a", "b", "c"}},
      {"a;b;c", ";", 0, {}},
      {"a;b;c", ";", -1, {}},
      {"a;b;c", "", kOmitted, {"a;b;c"}},
      {"a,b", ",", kOmitted, {"a", "b"}},
      {"a<>b<>", "<>", kOmitted, {"a", "b"}},
      {"aXbxc", "x", kOmitted, {"aXb", "c"}},        // case matters
      {"\xB0;a;b", ";", kOmitted, {"\xB0;a", "b"}},  // ; is the second byte of B0 3B
      {"a;\xB0", ";", kOmitted, {"a", "\xB0"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(Elements(TextSplit(c.text, c.delimiter, c.maxPieces)), c.expected)
        << testing::PrintToString(c.text);
  }
  EXPECT_EQ(Elements(TextSplit("a,b")), (std::vector<Text>{"a", "b"}));
}

// Byte-by-byte transcriptions of the stepping rules, to check the memmem-based searches against.
bool MatchesAt(const Text& text, std::size_t p, const Text& sought, bool fold) {
  for (std::size_t i = 0; i < sought.size(); ++i) {
    char a = text[p + i];
    char b = sought[i];
    if (fold) {
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    }
    if (a != b) return false;
  }
  return true;
}

bool IsLead(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

std::size_t ReferenceStart(std::optional<int> start) {
  return start && *start > 1 ? static_cast<std::size_t>(*start - 1) : 0;
}

int ReferenceFind(const Text& text, const Text& sought, std::optional<int> start, bool fold) {
  std::size_t p = ReferenceStart(start);
  if (p >= text.size()) return -1;
  if (sought.empty()) return 1;
  while (text.size() - p >= sought.size()) {
    if (MatchesAt(text, p, sought, fold)) return static_cast<int>(p) + 1;
    if (IsLead(text[p]) && p + 1 == text.size()) return -1;
    p += IsLead(text[p]) ? 2 : 1;
  }
  return -1;
}

Text ReferenceReplace(const Text& text, const Text& sought, const Text& replacement,
                      std::optional<int> start, std::optional<int> count, bool caseSensitive) {
  std::size_t p = ReferenceStart(start);
  int c = count.value_or(-1);
  if (text.empty() || sought.empty() || c == 0 || p >= text.size()) return text;
  Text result = text.substr(0, p);
  while (p <= text.size() && text.size() - p >= sought.size()) {
    if (MatchesAt(text, p, sought, !caseSensitive)) {
      result += replacement;
      p += sought.size();
      if (--c == 0) break;
    } else if (IsLead(text[p]) && p + 1 == text.size()) {
      p += 1;  // a lone lead byte stops the scan and is left out
      break;
    } else {
      const std::size_t size = IsLead(text[p]) ? 2 : 1;
      result += text.substr(p, size);
      p += size;
    }
  }
  if (p < text.size()) result += text.substr(p);
  return result;
}

std::vector<Text> ReferenceSplit(const Text& text, const Text& delimiter,
                                 std::optional<int> maxPieces) {
  int m = maxPieces ? std::max(*maxPieces, 0) : -1;
  if (text.empty() || m == 0) return {};
  if (delimiter.empty()) return {text};
  std::vector<Text> pieces;
  std::size_t p = 0;
  std::size_t pieceStart = 0;
  while (text.size() - p >= delimiter.size()) {
    if (MatchesAt(text, p, delimiter, false)) {
      pieces.push_back(text.substr(pieceStart, p - pieceStart));
      p += delimiter.size();
      pieceStart = p;
      if (--m == 0) return pieces;
    } else {
      if (IsLead(text[p]) && p + 1 == text.size()) break;
      p += IsLead(text[p]) ? 2 : 1;
    }
  }
  if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
  return pieces;
}

Text RandomText(std::mt19937& random, std::size_t maxLength) {
  static const char kAlphabet[] = {'a', 'A', 'b', 'X', ';', ' ', '\xB0', '\xA1', '\xC4'};
  Text text(random() % (maxLength + 1), ' ');
  for (char& byte : text) byte = kAlphabet[random() % sizeof kAlphabet];
  return text;
}

std::optional<int> RandomOptional(std::mt19937& random, int low, int high) {
  if (random() % 4 == 0) return std::nullopt;
  return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1));
}

TEST(TextTest, SearchesAgreeWithByteByByteStepping) {
  std::mt19937 random(20);
  for (int round = 0; round < 30000; ++round) {
    const bool longText = round % 1000 == 0;  // crosses the folded search's blocks
    const Text text = RandomText(random, longText ? 150000 : 12);
    const Text sought = RandomText(random, 3);
    const Text replacement = RandomText(random, 2);
    const std::optional<int> start = RandomOptional(random, -2, TextLength(text) + 2);
    const std::optional<int> count = RandomOptional(random, -1, 3);
    const bool flag = random() % 2 == 0;
    const std::string label = testing::PrintToString(longText ? text.substr(0, 40) : text) + " / " +
                              testing::PrintToString(sought);
    ASSERT_EQ(TextFind(text, sought, start, flag), ReferenceFind(text, sought, start, flag))
        << label;
    ASSERT_EQ(TextReplace(text, sought, replacement, start, count, flag),
              ReferenceReplace(text, sought, replacement, start, count, flag))
        << label;
    ASSERT_EQ(Elements(TextSplit(text, sought, count)), ReferenceSplit(text, sought, count))
        << label;
  }
}

TEST(TextTest, TrimAndStripBlanks) {
  const struct {
    Text text;
    Text trimmed;
    Text stripped;
  } cases[] = {
      {" \xA1\xA1x y\t", "x y\t", "xy\t"},
      {"x \xA1\xA1", "x", "x"},
      {"a b\xA1\xA1"
       "c",
       "a b\xA1\xA1"
       "c",
       "abc"},
      {"a\r\nb", "a\r\nb", "a\r\nb"},
      {"  \xA1\xA1 ", "", ""},
      {"", "", ""},
      {"x \xB0", "x ", "x"},                        // lone lead byte cut off, blank before it stays
      {"x\xB0\xA1\xA1", "x\xB0\xA1", "x\xB0\xA1"},  // B0 A1 is a character: A1 is then lone
      {"\xB0 x", "\xB0 x", "\xB0 x"},               // a character whose second byte is 0x20
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextTrim(c.text), c.trimmed) << testing::PrintToString(c.text);
    EXPECT_EQ(TextStripSpaces(c.text), c.stripped) << testing::PrintToString(c.text);
  }
}

TEST(TextTest, CompareBytesAndCase) {
  EXPECT_EQ(TextCompare("LOCATION: ", "Location: ", false), 0);
  EXPECT_NE(TextCompare("LOCATION: ", "Location: ", true), 0);
  EXPECT_EQ(TextCompare("LOCATION: ", "Location: "), -1);  // case matters by default
  EXPECT_EQ(TextCompare(Text(), ""), 0);
  EXPECT_EQ(TextCompare("", "a"), -1);
  EXPECT_EQ(TextCompare("a", ""), 1);
  EXPECT_EQ(TextCompare("ab", "abc"), -1);
  EXPECT_EQ(TextCompare("\xC4", "a"), 1);  // bytes compare unsigned
  EXPECT_EQ(TextCompare("abc", "abc"), 0);
}

TEST(TextTest, CompareIgnoringCaseUsesGbkUpperCase) {
  const struct {
    const char* name;
    Text a;
    Text b;
    bool equal;
  } cases[] = {
      {"fullwidth letters", "ａｂｃ"_gbk, "ＡＢＣ"_gbk, true},
      {"Greek", "αβ"_gbk, "ΑΒ"_gbk, true},
      {"Cyrillic", "дом"_gbk, "ДОМ"_gbk, true},
      {"mixed with ASCII", "x ａ"_gbk, "X Ａ"_gbk, true},
      {"pinyin letter without capital in 936", "ā"_gbk, "Ā"_gbk, false},
      {"Chinese has no case", "你好"_gbk, "你好"_gbk, true},
      {"different characters", "你"_gbk, "好"_gbk, false},
      {"second bytes are not folded alone",
       "\xB0"
       "a",
       "\xB0"
       "A",
       false},
      {"lone lead bytes compare as bytes", "a\xB0", "A\xB0", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextCompare(c.a, c.b, false) == 0, c.equal) << c.name;
  }
  EXPECT_NE(TextCompare("ａ"_gbk, "ＡＢ"_gbk, false), 0);
}

TEST(TextTest, ByteValuesAndHex) {
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharFromCode(0x41), "A");
  EXPECT_EQ(CharFromCode(0xC4), "\xC4");
  EXPECT_EQ(ByteToHex(0), "0");
  EXPECT_EQ(ByteToHex(7), "7");
  EXPECT_EQ(ByteToHex(10), "A");
  EXPECT_EQ(ByteToHex(171), "AB");
  EXPECT_EQ(ByteToHex(255), "FF");
  EXPECT_EQ(ByteToHex(-1), "FFFFFFFF");
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankText(-2), "");
}

TEST(TextTest, ByteBuffers) {
  EXPECT_EQ(BytesToText({0x61, 0x62, 0x00, 0x63}), "ab");
  EXPECT_EQ(BytesToText({0x61, 0x62}), "ab");
  EXPECT_EQ(BytesToText({}), "");
  EXPECT_EQ(BytesLength(TextToBytes("ab")), 2);
  EXPECT_EQ(TextToBytes(""), ByteBuffer());
  EXPECT_EQ(BytesConcat(ByteBuffer(), ByteBuffer()), ByteBuffer());
  EXPECT_EQ(BytesConcat(ByteBuffer{1}, ByteBuffer{}, ByteBuffer{0, 2}), (ByteBuffer{1, 0, 2}));
  EXPECT_EQ(BytesLeft({1, 2, 3}, 2), (ByteBuffer{1, 2}));
  EXPECT_EQ(BytesLeft({1, 2, 3}, 9), (ByteBuffer{1, 2, 3}));
  EXPECT_EQ(BytesLeft({1, 2, 3}, -1), ByteBuffer());
  EXPECT_EQ(BlankBytes(3), (ByteBuffer{0, 0, 0}));
  EXPECT_EQ(BlankBytes(-1), ByteBuffer());
  const char stored[] = {'x', '\0', 'y'};
  EXPECT_EQ(BytesFromPointer(stored, 3), (ByteBuffer{'x', 0, 'y'}));
  EXPECT_EQ(BytesFromPointer(stored, 0), ByteBuffer());
  EXPECT_EQ(TextConcat(Text("a"), Text(), Text("bc")), "abc");
  EXPECT_EQ(TextConcat(Text(), Text()), "");
}

TEST(TextArrayTest, CountsAndAppends) {
  TextArray array;
  EXPECT_EQ(array.Count(), 0);
  const Text first = "one";
  array.Append(first);
  array.Append("");
  EXPECT_EQ(array.Count(), 2);
  EXPECT_EQ(array.At(1), "one");
  EXPECT_EQ(array.At(2), "");
}

TEST(TextArrayDeathTest, IndexOutsideTheArrayStopsTheProgram) {
  TextArray array;
  array.Append("one");
  EXPECT_DEATH((void)array.At(0), "index 0 is outside 1..1");
  EXPECT_DEATH((void)array.At(2), "index 2 is outside 1..1");
  EXPECT_DEATH((void)TextArray().At(1), "index 1 is outside 1..0");
}

}  // namespace
}  // namespace qoravel
