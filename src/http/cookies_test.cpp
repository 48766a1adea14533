#include "http/cookies.h"

#include <gtest/gtest.h>

#include "textcore/codepage.h"

namespace qoravel {
namespace {

TextArray Entries(std::initializer_list<const char*> texts) {
  TextArray entries;
  for (const char* text : texts) entries.Append(text);
  return entries;
}

struct MergeCase {
  Text cookies, newCookies;
  Text mergedCookies, strippedNewCookies;
};

TEST(MergeCookiesTest, MergesNewFirstThenOldByName) {
  const MergeCase cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
      {"a=1; b=2", "a=deleted", "b=2", "a=deleted"},
      {"", "x=1; x=1", "x=1", "x=1;x=1"},
      {"", "x=1; x=2", "x=1; x=2", "x=1;x=2"},
      {"a=hello world", "", "a=helloworld", ""},
      // No new cookies: only blanks stripped, "=deleted" dropped, first of one name kept.
      {"a=1; b=deleted; a=2; c=3", "", "a=1; c=3", ""},
      {"", "", "", ""},
      {"a=1; b=2", "B=5", "B=5; a=1; b=2", "B=5"},  // names compare case-sensitively
  };
  for (const MergeCase& c : cases) {
    Text cookies = c.cookies, newCookies = c.newCookies;
    Text result = MergeCookies(cookies, newCookies);
    EXPECT_EQ(cookies, c.mergedCookies) << c.cookies << " + " << c.newCookies;
    EXPECT_EQ(result, c.mergedCookies);
    EXPECT_EQ(newCookies, c.strippedNewCookies);
  }
}

TEST(MergeCookiesTest, StripsTheIdeographicSpaceToo) {
  Text cookies = "a=1;"_gbk + "\xA1\xA1" + "b=2", newCookies;
  EXPECT_EQ(MergeCookies(cookies, newCookies), "a=1; b=2");
}

TEST(CookieNameTest, TakesTheTrimmedTextBeforeTheFirstEquals) {
  const std::pair<Text, Text> cases[] = {
      {"a=1", "a"}, {" a =1=2", "a"}, {"flag", "flag"}, {"=x", ""}, {"", ""}};
  for (const auto& [entry, name] : cases) EXPECT_EQ(CookieName(entry), name) << entry;
}

TEST(HasCookieNamedTest, ComparesNamesExactly) {
  TextArray entries = Entries({"a=1", "Bb=2", "c"});
  EXPECT_TRUE(HasCookieNamed(entries, "a"));
  EXPECT_TRUE(HasCookieNamed(entries, "c"));
  EXPECT_FALSE(HasCookieNamed(entries, "bb"));
  EXPECT_FALSE(HasCookieNamed(TextArray(), ""));
}

TEST(JoinUniqueTest, KeepsEachPartAtItsFirstPlace) {
  EXPECT_EQ(JoinUnique("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(JoinUnique("a", "; "), "a");
  EXPECT_EQ(JoinUnique("", "; "), "");
  EXPECT_EQ(JoinUnique("x=1|x=1|x=2", "|"), "x=1|x=2");
}

TEST(IndexOfTextTest, GivesTheFirstOneBasedIndex) {
  TextArray entries = Entries({"a", "b", "a"});
  EXPECT_EQ(IndexOfText(entries, "a"), 1);
  EXPECT_EQ(IndexOfText(entries, "b"), 2);
  EXPECT_EQ(IndexOfText(entries, "A"), -1);
  EXPECT_EQ(IndexOfText(TextArray(), "a"), -1);
}

}  // namespace
}  // namespace qoravel
