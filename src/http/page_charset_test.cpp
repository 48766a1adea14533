#include "http/page_charset.h"

#include <gtest/gtest.h>

#include "http/http_request.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

Text Convert(const std::string& body) {
  RegexObject regex;
  Text page = BytesToText(TextToBytes(body));
  ConvertPageCharset(regex, page, body);
  return page;
}

TEST(ConvertPageCharsetTest, DecodesOnlyWhenAnotherCharsetIsDeclared) {
  const std::string utf8Page = "<meta charset='utf-8'><p>下载成功</p>";
  const std::string gbkPage = "<meta charset='gb2312'>"_gbk + "下载"_gbk;
  struct Case {
    std::string body;
    Text page;
  };
  const Case cases[] = {
      {R"({"SongName":"歌"})", R"({"SongName":"歌"})"},  // no meta tag: unchanged bytes
      {utf8Page, "<meta charset='utf-8'><p>下载成功</p>"_gbk},
      {"<meta http-equiv='Content-Type' content='text/html; charset=gb2312'>" + "歌"_gbk,
       "<meta http-equiv='Content-Type' content='text/html; charset=gb2312'>" + "歌"_gbk},
      // "GB2312" differs from both names exactly, so the page is decoded (to the same text).
      {"<meta content='text/html; charset=GB2312'>" + "歌"_gbk,
       "<meta content='text/html; charset=GB2312'>" + "歌"_gbk},
      {"<META CONTENT='text/html; CHARSET=UTF-8'>é",
       "<META CONTENT='text/html; CHARSET=UTF-8'>"
       "\xA8\xA6"},
      {std::string(1100, ' ') + "<meta charset='utf-8'>é",
       std::string(1100, ' ') + "<meta charset='utf-8'>é"},            // beyond byte 1024: not seen
      {"<meta\r\n charset='utf-8'>é", "<meta\r\n charset='utf-8'>é"},  // "." stops at a line end
      {"<meta charset=gbk><meta charset=utf-8>" + "歌"_gbk,
       "<meta charset=gbk><meta charset=utf-8>" + "歌"_gbk},  // only the first match counts
      {"<meta charset=no-such-charset>x", ""},  // a name ICU does not know gives empty text
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Convert(c.body), c.page) << c.body;
}

TEST(ConvertPageCharsetTest, DecodedTextEndsAtItsFirstNul) {
  const std::string body = std::string("<meta charset=utf-8>a\0b", 23);
  RegexObject regex;
  Text page = "<meta charset=utf-8>a";
  ConvertPageCharset(regex, page, body);
  EXPECT_EQ(page, "<meta charset=utf-8>a");  // the decoded text also ends at the NUL
}

TEST(ConvertPageCharsetTest, RunsThePumpOnceWhenThePatternRan) {
  int pumped = 0;
  SetMessagePump([&pumped] { ++pumped; });
  Convert("{}");
  Convert("<meta charset=utf-8>");
  SetMessagePump(nullptr);
  EXPECT_EQ(pumped, 2);
}

TEST(DecodeCharsetTest, UsesAnyNameIcuKnows) {
  struct Case {
    std::string bytes;
    Text charset, text;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF下载", "UTF-8", "下载"_gbk},  // the byte-order mark is dropped
      {"caf\xE9", "iso-8859-1", "caf\xA8\xA6"},
      {"\xA4\xA4\xA4\xE5", "Big5", "中文"_gbk},
      {std::string("\xFF\xFEh\0i\0", 6), "utf-16", "hi"},
      {"\xC4\xE3\xBA\xC3", "GBK", "你好"_gbk},
      {"abc", "x-unknown", ""},
      {"", "utf-8", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeCharset(c.bytes, c.charset), c.text) << c.charset;
}

}  // namespace
}  // namespace qoravel
