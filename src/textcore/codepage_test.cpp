#include "textcore/codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "textcore/icu_converters.h"

namespace qoravel {
namespace {

ByteBuffer Bytes(std::initializer_list<int> values) {
  ByteBuffer buffer;
  for (int value : values) buffer.push_back(static_cast<std::uint8_t>(value));
  return buffer;
}

ByteBuffer Utf16Le(std::u16string_view units) {
  ByteBuffer buffer;
  for (char16_t unit : units) {
    buffer.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    buffer.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return buffer;
}

TEST(CodePageTest, GbkAndUtf8RoundTrip) {
  EXPECT_EQ(GbkToUtf8("\xC4\xE3\xBA\xC3"), "\xE4\xBD\xA0\xE5\xA5\xBD");
  EXPECT_EQ(Utf8ToGbk("\xE4\xBD\xA0\xE5\xA5\xBD"), "\xC4\xE3\xBA\xC3");
  EXPECT_EQ("你好"_gbk, "\xC4\xE3\xBA\xC3");
  EXPECT_EQ("下载成功"_gbk, Utf8ToGbk("下载成功"));
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

struct Case {
  const char* name;
  Text input;
  Text expected;
};

TEST(CodePageTest, Utf8ToGbkReplacesWhatGbkLacks) {
  const Case cases[] = {
      {"hangul",
       "a\xED\x95\x9C"
       "b",
       "a?b"},
      {"emoji is one character", "\xF0\x9F\x98\x80", "?"},
      {"truncated sequence",
       "a\xE4\xBD"
       "b",
       "a?b"},
      {"truncated at the end", "a\xE4\xBD", "a?"},
      {"stray continuation bytes", "\x80\x80", "??"},
      {"byte never in UTF-8", "\xFF", "?"},
      {"encoded surrogate", "\xED\xA0\x80", "???"},
      {"replacement character itself", "\xEF\xBF\xBD", "?"},
      {"euro sign is 0x80", "\xE2\x82\xAC", "\x80"},
      {"precomposed letter", "\xC3\xA9", "\xA8\xA6"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToGbk(c.input), c.expected) << c.name;
}

TEST(CodePageTest, GbkToUtf8DecodesMalformedBytesAsReplacement) {
  const Case cases[] = {
      {"lone lead byte at the end", "a\x81", "a\xEF\xBF\xBD"},
      {"lead byte before a byte that cannot follow", "\x81\x30",
       "\xEF\xBF\xBD"
       "0"},
      {"0x80 is the euro sign", "\x80", "\xE2\x82\xAC"},
      {"0xFF decodes to the private use U+F8F5", "\xFF", "\xEF\xA3\xB5"},
  };
  for (const Case& c : cases) EXPECT_EQ(GbkToUtf8(c.input), c.expected) << c.name;
}

TEST(CodePageTest, GbkToUtf16KeepsOrDropsTheTerminator) {
  EXPECT_EQ(GbkToUtf16("A"), Bytes({0x41, 0, 0, 0}));
  EXPECT_EQ(GbkToUtf16("A", true), Bytes({0x41, 0}));
  EXPECT_EQ(GbkToUtf16(""), ByteBuffer());
  EXPECT_EQ(GbkToUtf16("", true), ByteBuffer());
  EXPECT_EQ(GbkToUtf16("\xC4\xE3"), Bytes({0x60, 0x4F, 0, 0}));
}

TEST(CodePageTest, MultiByteToUtf16AddsOneZeroUnit) {
  const ByteBuffer wide = MultiByteToUtf16("\xC4\xE3\xBA\xC3z", 936);
  ASSERT_EQ(wide.size(), 2u * (3 + 1));
  EXPECT_EQ(wide[6], 0);
  EXPECT_EQ(wide[7], 0);
  EXPECT_EQ(MultiByteToUtf16("\xE4\xBD\xA0"), Bytes({0x60, 0x4F, 0, 0}));  // UTF-8 by default
  EXPECT_EQ(MultiByteToUtf16("\xC4\xE3", 0), MultiByteToUtf16("\xC4\xE3", 936));
  EXPECT_EQ(MultiByteToUtf16("", 936), ByteBuffer());
  EXPECT_EQ(MultiByteToUtf16("abc", 12345), ByteBuffer());  // no such code page
  EXPECT_EQ(MultiByteToUtf16("abc", 1200), ByteBuffer());   // UTF-16 is not a multibyte one
  EXPECT_EQ(MultiByteToUtf16("\x80", 1252), Bytes({0xAC, 0x20, 0, 0}));
  EXPECT_EQ(Utf16ToMultiByte(Bytes({0xAC, 0x20}), 1252), "\x80");
}

TEST(CodePageTest, Utf16ToGbkReadsWholeUnitsUpToTheFirstZero) {
  EXPECT_EQ(Utf16ToGbk(Bytes({0x41, 0, 0x42, 0})), "AB");
  EXPECT_EQ(Utf16ToGbk(Bytes({0x41, 0, 0, 0, 0x42, 0})), "A");
  EXPECT_EQ(Utf16ToGbk(Bytes({0x41, 0, 0x42})), "A");
  EXPECT_EQ(Utf16ToGbk(Bytes({0x41})), "");
  EXPECT_EQ(Utf16ToGbk(ByteBuffer()), "");
}

TEST(CodePageTest, Utf16ToGbkJoinsCombiningMarksWhereGbkHasTheLetter) {
  const Case cases[] = {
      {"e + acute is e-acute A8 A6", Text("e\xCC\x81"), "\xA8\xA6"},
      {"u + diaeresis + acute is A8 B6", Text("u\xCC\x88\xCC\x81"), "\xA8\xB6"},
      {"no e-diaeresis in 936: one by one", Text("e\xCC\x88"), "e?"},
      {"mark without a base",
       Text("\xCC\x81"
            "a"),
       "?a"},
      {"after a long ASCII stretch", Text("0123456789abcdefghijke\xCC\x81"),
       "0123456789abcdefghijk\xA8\xA6"},
  };
  for (const Case& c : cases) {
    ByteBuffer wide = MultiByteToUtf16(c.input);
    EXPECT_EQ(Utf16ToGbk(wide), c.expected) << c.name;
  }
  // Without the composite check the pair converts character by character.
  EXPECT_EQ(Utf16ToMultiByte(MultiByteToUtf16("e\xCC\x81"), 936), "e?");
}

TEST(CodePageTest, Utf16ToMultiByteSubstitutesWhatTheTargetLacks) {
  const std::u16string loneLead(1, char16_t{0xD800});
  EXPECT_EQ(Utf16ToMultiByte(Utf16Le(u"\uFFFD")), "?");  // code page 0 is 936
  EXPECT_EQ(Utf16ToMultiByte(Utf16Le(u"\uD55C!"), 936), "?!");
  EXPECT_EQ(Utf16ToMultiByte(Utf16Le(u"\U0001F600"), 936), "?");
  EXPECT_EQ(Utf16ToMultiByte(Utf16Le(loneLead + u"A"), 936), "?A");
  EXPECT_EQ(Utf16ToMultiByte(Utf16Le(loneLead + u"A"), 65001),
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(Utf16ToGbk(Utf16Le(loneLead)), "?");
  EXPECT_EQ(Utf16ToMultiByte(ByteBuffer(), 65001), "");
}

TEST(CodePageTest, Utf16ToMultiByteStopsAtTheBufferEnd) {
  // Units beyond size() still sit in the vector's storage; they must not be read.
  ByteBuffer buffer = Bytes({0x41, 0, 0x42, 0, 0x43, 0, 0, 0});
  buffer.resize(4);
  EXPECT_EQ(Utf16ToMultiByte(buffer, 936), "AB");
  EXPECT_EQ(Utf16ToGbk(buffer), "AB");
  buffer.resize(3);
  EXPECT_EQ(Utf16ToMultiByte(buffer, 65001), "A");
}

// The stretch-by-stretch conversions must equal converting the whole input in one call.
Text WholeGbkToUtf8(const Text& gbk) {
  std::u16string units;
  Text utf8;
  EXPECT_TRUE(icu_converters::AppendDecoded(gbk, 936, units));
  EXPECT_TRUE(icu_converters::AppendEncoded(units, 65001, utf8));
  return utf8;
}

Text WholeUtf8ToGbk(const Text& utf8) {
  std::u16string units;
  Text gbk;
  EXPECT_TRUE(icu_converters::AppendDecoded(utf8, 65001, units));
  EXPECT_TRUE(icu_converters::AppendEncoded(units, 936, gbk));
  return gbk;
}

// Random bytes drawn mostly from the awkward ones: lead bytes, bytes that may or may not
// follow them, UTF-8 lead and continuation bytes, and ASCII stretches long and short.
Text RandomAwkwardText(std::mt19937& random) {
  static const unsigned char kPool[] = {'a',  '0',  '"',  ',',  0x30, 0x40, 0x7F, 0x80,
                                        0x81, 0xA1, 0xA8, 0xBA, 0xC3, 0xC4, 0xE4, 0xED,
                                        0xEF, 0xF0, 0x9F, 0xBD, 0xA0, 0xFE, 0xFF, 0xE3};
  Text text;
  const int pieces = std::uniform_int_distribution<int>(0, 30)(random);
  for (int piece = 0; piece < pieces; ++piece) {
    const unsigned kind = random() % 8;
    if (kind == 0) {
      text.append(random() % 40, 'x');
    } else if (kind == 1) {
      text.push_back(static_cast<char>(1 + random() % 255));
    } else {
      text.push_back(static_cast<char>(kPool[random() % sizeof kPool]));
    }
  }
  return text;
}

TEST(CodePageTest, StretchConversionEqualsWholeConversion) {
  std::mt19937 random(936);
  for (int round = 0; round < 20000; ++round) {
    const Text text = RandomAwkwardText(random);
    ASSERT_EQ(GbkToUtf8(text), WholeGbkToUtf8(text)) << testing::PrintToString(text);
    ASSERT_EQ(Utf8ToGbk(text), WholeUtf8ToGbk(text)) << testing::PrintToString(text);
    ASSERT_EQ(GbkToUtf8(text), Utf16ToMultiByte(MultiByteToUtf16(text, 936), 65001));
    ASSERT_EQ(Utf8ToGbk(text), Utf16ToMultiByte(MultiByteToUtf16(text), 936));
  }
}

TEST(CodePageTest, StretchConversionOfUtf16EqualsWholeConversion) {
  static const char16_t kPool[] = {u'a',   u'x',   0x7F,   0x80,   0xE9,   0x301,  0x308, 0x4F60,
                                   0xD55C, 0xD800, 0xDC00, 0xD83D, 0xDE00, 0xFFFD, 0xFF21};
  std::mt19937 random(65001);
  for (int round = 0; round < 20000; ++round) {
    std::u16string units;
    const int pieces = std::uniform_int_distribution<int>(1, 30)(random);
    for (int piece = 0; piece < pieces; ++piece) {
      if (random() % 4 == 0) {
        units.append(random() % 40, u'y');
      } else {
        units.push_back(kPool[random() % std::size(kPool)]);
      }
    }
    for (unsigned codePage : {936u, 65001u}) {
      Text whole;
      ASSERT_TRUE(icu_converters::AppendEncoded(units, codePage, whole));
      ASSERT_EQ(Utf16ToMultiByte(Utf16Le(units), codePage), whole);
    }
    std::u16string decoded;
    const Text gbk = Utf16ToMultiByte(Utf16Le(units), 936);
    ASSERT_TRUE(icu_converters::AppendDecoded(gbk, 936, decoded));
    ASSERT_EQ(GbkToUtf16(gbk, true), Utf16Le(decoded));
  }
}

TEST(CodePageTest, ThreadsConvertAtTheSameTime) {
  const Text gbk = Text(5000, 'a') + "\xC4\xE3\xBA\xC3" + Text(10, 'b') + "\x81";
  const Text expected = GbkToUtf8(gbk);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (GbkToUtf8(gbk) != expected || Utf8ToGbk(expected) != Text(gbk, 0, gbk.size() - 1) + "?")
          ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace qoravel
