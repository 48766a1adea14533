#include "textcore/url_encode.h"

#include <gtest/gtest.h>

#include "textcore/codepage.h"

namespace qoravel {
namespace {

TEST(UrlEncodeTest, EncodesBytesAsPercentAndTwoCapitalDigits) {
  const struct {
    Text text;
    bool keepSafeChars;
    bool asUtf8;
    Text expected;
  } cases[] = {
      {"ab", false, true, "%61%62"},
      {"ab", false, false, "%61%62"},
      {"\xC4\xE3\xBA\xC3", false, true, "%E4%BD%A0%E5%A5%BD"},
      {"\xC4\xE3\xBA\xC3", false, false, "%C4%E3%BA%C3"},
      {"\xC4\xE3\xBA\xC3", true, false, "%C4%E3%BA%C3"},
      {"a b/c", true, false, "a%20b%2Fc"},
      {"A-1.z_~", true, false, "A-1.z%5F%7E"},
      {"09AZaz-.", true, false, "09AZaz-."},
      {"@[`{+,", true, false, "%40%5B%60%7B%2B%2C"},  // neighbours of the safe ranges
      {"\t", false, false, "%09"},
      {"\x7F\x80\xFF", true, false, "%7F%80%FF"},
      {"\x80", false, true, "%E2%82%AC"},  // 0x80 is the euro sign in 936
      {"", false, false, ""},
      {"", true, true, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UrlEncode(c.text, c.keepSafeChars, c.asUtf8), c.expected)
        << testing::PrintToString(c.text) << " keepSafeChars=" << c.keepSafeChars
        << " asUtf8=" << c.asUtf8;
  }
  EXPECT_EQ(UrlEncode("a b"), "%61%20%62");  // both flags default to false
}

TEST(UrlEncodeTest, SearchKeywordFormEncodesEveryUtf8Byte) {
  EXPECT_EQ(UrlEncode("林沐川 A1"_gbk, false, true), "%E6%9E%97%E6%B2%90%E5%B7%9D%20%41%31");
}

}  // namespace
}  // namespace qoravel
