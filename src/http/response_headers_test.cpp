#include "http/response_headers.h"

#include <gtest/gtest.h>

#include "http/http_request.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

struct Scan {
  Text statusText = "old status", responseHeaders = "old headers", newCookies, location = "none";
  Text cookies;
};

Scan ScanBlock(const Text& block, const Text* cookies = nullptr) {
  Scan scan;
  if (cookies != nullptr) scan.cookies = *cookies;
  ScanResponseHeaders(GbkToUtf16(block, true), scan.statusText, scan.responseHeaders,
                      scan.newCookies, scan.location, scan.cookies, cookies != nullptr);
  return scan;
}

TEST(ScanResponseHeadersTest, StatusTextStartsAtByteTen) {
  const std::pair<Text, Text> cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n", "200 OK"},
      {"HTTP/1.0 404 Not Found\r\nA: b\r\n\r\n", "404 Not Found"},
      {"HTTP/1.1 200\r\n\r\n", "200"},
      {"HTTP/1.1 \r\n\r\n", ""},  // the CR stands at byte 10
      {"HTTP/1.1 200 OK", ""},    // no CR LF after the status line
      {"", ""},
  };
  for (const auto& [block, status] : cases) EXPECT_EQ(ScanBlock(block).statusText, status) << block;
}

TEST(ScanResponseHeadersTest, CollectsCookiesAndNormalisesTheirName) {
  Scan scan = ScanBlock("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nset-cookie: b=2\r\n\r\n");
  EXPECT_EQ(scan.newCookies, "a=1; b=2");
  EXPECT_EQ(scan.responseHeaders,
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n\r\n");
  EXPECT_EQ(scan.location, "none");
}

TEST(ScanResponseHeadersTest, TakesOddCookieLinesAsThePartSays) {
  const std::pair<Text, Text> cases[] = {
      {"HTTP/1.1 200 OK\r\nX-Set-Cookie-Id: 5\r\n\r\n", "X-Set-Cookie-Id: 5"},
      // "Set-Cookie" and ";" but no "Set-Cookie:": an empty place between separators.
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1;\r\nX-Set-Cookie-Id: 5; y\r\nSet-Cookie: c=3\r\n\r\n",
       "a=1; ; c=3"},
      {"HTTP/1.1 200 OK\r\nX: SET-COOKIE\r\n\r\n", "X: Set-Cookie"},
      {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", ""},
  };
  for (const auto& [block, cookies] : cases) EXPECT_EQ(ScanBlock(block).newCookies, cookies);
}

TEST(ScanResponseHeadersTest, LocationNeedsItsBlankAndTheLastOneWins) {
  const std::pair<Text, Text> cases[] = {
      {"HTTP/1.1 302 Found\r\nLOCATION: /next\r\n\r\n", "/next"},
      {"HTTP/1.1 302 Found\r\nContent-Location: /x\r\n\r\n", "none"},
      {"HTTP/1.1 302 Found\r\nLocation:/x\r\n\r\n", "none"},
      {"HTTP/1.1 302 Found\r\nLocation: /a\r\nlocation: /b\r\n\r\n", "/b"},
      {"HTTP/1.1 302 Found\r\nLocation: \r\n\r\n", ""},
  };
  for (const auto& [block, location] : cases) EXPECT_EQ(ScanBlock(block).location, location);
}

TEST(ScanResponseHeadersTest, MergesOnlyWhenCookiesWereSupplied) {
  const Text block = "HTTP/1.1 200 OK\r\nSet-Cookie: b=3\r\nSet-Cookie: c=4\r\n\r\n";
  Text supplied = "a=1; b=2";
  Scan merged = ScanBlock(block, &supplied);
  EXPECT_EQ(merged.cookies, "b=3; c=4; a=1");
  EXPECT_EQ(merged.newCookies, "b=3;c=4");

  Scan unmerged = ScanBlock(block);
  EXPECT_EQ(unmerged.cookies, "");
  EXPECT_EQ(unmerged.newCookies, "b=3; c=4");

  Text withoutNew = "a=1;  a=2; z=deleted";
  EXPECT_EQ(ScanBlock("HTTP/1.1 200 OK\r\n\r\n", &withoutNew).cookies, "a=1");
}

TEST(ScanResponseHeadersTest, EmptyBlockLeavesEmptyOutputs) {
  Scan scan = ScanBlock("");
  EXPECT_EQ(scan.statusText, "");
  EXPECT_EQ(scan.responseHeaders, "");
  EXPECT_EQ(scan.newCookies, "");
}

TEST(ScanResponseHeadersTest, RunsThePumpAfterEachLine) {
  int pumped = 0;
  SetMessagePump([&pumped] { ++pumped; });
  ScanBlock("HTTP/1.1 200 OK\r\nA: 1\r\nB: 2\r\n\r\n");  // four lines, the last one empty
  SetMessagePump(nullptr);
  EXPECT_EQ(pumped, 4);
}

TEST(TextBetweenTest, CutsBetweenTheMarkers) {
  struct Case {
    Text text, left, right;
    int start;
    bool ignoreCase;
    Text between;
  };
  const Case cases[] = {
      {"Set-Cookie: a=1; Path=/", "Set-Cookie:", ";", 0, false, " a=1"},
      {"Set-Cookie: a=1", "Set-Cookie:", ";", 0, false, ""},
      {"a=1; Path=/", "Set-Cookie:", ";", 0, false, ""},
      {R"(x "id" y)", "#引号"_gbk, "#引号"_gbk, 0, false, "id"},
      {"[a][b]", "[", "]", 3, false, "b"},
      {"KEY=v;", "key=", ";", 0, true, "v"},
      {"KEY=v;", "key=", ";", 0, false, ""},
      {"<>", "<", ">", 0, false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.between) << c.text;
  }
}

}  // namespace
}  // namespace qoravel
