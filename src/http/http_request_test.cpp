// HttpRequest against loopback servers that record the exact request bytes.
#include "http/http_request.h"

#include <gtest/gtest.h>

#include <map>

#include "testing/raw_http_server.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::HttpReply;
using testing::RawHttpServer;
using testing::RecordedRequest;
using testing::ScriptedReply;

const std::string kDefaultLines =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n"
    "Cache-Control: no-cache\r\n";

// Answers by request path; anything unknown gets a small 200 answer.
class Site {
 public:
  Site(std::initializer_list<std::pair<const std::string, std::string>> replies = {})
      : replies_(replies),
        server_([this](const RecordedRequest& request) { return Answer(request); }) {}
  std::string Url(const std::string& path = "/") const { return server_.Url(path); }
  Text Proxy() const { return "127.0.0.1:" + std::to_string(server_.port()); }
  std::string Host() const { return "Host: 127.0.0.1:" + std::to_string(server_.port()) + "\r\n"; }
  std::vector<RecordedRequest> Requests() const { return server_.Requests(); }
  RecordedRequest OnlyRequest() const {
    std::vector<RecordedRequest> requests = server_.Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? RecordedRequest() : requests.front();
  }

 private:
  ScriptedReply Answer(const RecordedRequest& request) {
    std::string line = request.RequestLine();
    std::string path = line.substr(line.find(' ') + 1);
    path = path.substr(0, path.find(' '));
    auto found = replies_.find(path);
    return {found != replies_.end() ? found->second : HttpReply("HTTP/1.1 200 OK", "", "ok")};
  }

  std::map<std::string, std::string> replies_;
  RawHttpServer server_;
};

TEST(HttpRequestTest, SearchRequestSendsExactlyTheSixDefaultLines) {
  Site site;
  EXPECT_EQ(HttpRequest(site.Url("/music/search?k=1")), "ok");
  EXPECT_EQ(site.OnlyRequest().head,
            "GET /music/search?k=1 HTTP/1.1\r\n" + site.Host() + kDefaultLines + "\r\n");
}

TEST(HttpRequestTest, BuildsTheHeaderBlockAfterTheCallersLines) {
  struct Case {
    Text extraHeaders;
    std::optional<Text> cookies;
    std::string sent;  // the header lines after Host
  };
  auto without = [](std::initializer_list<const char*> names) {
    std::string lines = kDefaultLines;
    for (const char* name : names) {
      size_t at = lines.find(std::string(name) + ": ");
      lines.erase(at, lines.find("\r\n", at) + 2 - at);
    }
    return lines;
  };
  const Case cases[] = {
      {"user-agent: X", {}, "user-agent: X\r\n" + without({"User-Agent"})},
      {"content-type: text/plain", {}, "content-type: text/plain\r\n" + kDefaultLines},
      {"Content-Type:x", {}, "Content-Type:x\r\n" + without({"Content-Type"})},
      {"X-Note: Accept: none", {}, "X-Note: Accept: none\r\n" + without({"Accept"})},
      {"X-A: 1\r\nX-B: 2", {}, "X-A: 1\r\nX-B: 2\r\n" + kDefaultLines},
      {"X-Empty:", {}, "X-Empty:\r\n" + kDefaultLines},
      {"", Text("a=1"), kDefaultLines + "Cookie: a=1\r\n"},
      {"Cookie: b=2", Text("a=1"), "Cookie: b=2\r\n" + kDefaultLines},
      {"X-Id: cookie: 7", Text("a=1"), "X-Id: cookie: 7\r\n" + kDefaultLines},
      {"", Text(""), kDefaultLines},
  };
  for (const Case& c : cases) {
    Site site;
    Text cookies = c.cookies.value_or("");
    HttpRequest(site.Url(),
                {.cookies = c.cookies ? &cookies : nullptr, .extraHeaders = c.extraHeaders});
    EXPECT_EQ(site.OnlyRequest().HeaderBlock(), site.Host() + c.sent) << c.extraHeaders;
  }
}

TEST(HttpRequestTest, SendsTheMethodAndTheBodyUnchanged) {
  struct Case {
    int method;
    Text postData;
    std::string requestLine;
    std::string lengthLine;  // empty: no Content-Length line
  };
  const Text gbkBody = "k=歌&x=%20 +"_gbk;
  const Text bigBody(3 * 1024 * 1024, 'b');
  const Case cases[] = {
      {0, "", "GET / HTTP/1.1", ""},
      {1, gbkBody, "POST / HTTP/1.1", "Content-Length: " + std::to_string(gbkBody.size())},
      {1, "", "POST / HTTP/1.1", "Content-Length: 0"},
      {2, "", "HEAD / HTTP/1.1", ""},
      {3, "put-body", "PUT / HTTP/1.1", "Content-Length: 8"},
      {7, "", "GET / HTTP/1.1", ""},
      {-1, "", "GET / HTTP/1.1", ""},
      {0, "get-body", "GET / HTTP/1.1", "Content-Length: 8"},
      {2, "head-body", "HEAD / HTTP/1.1", "Content-Length: 9"},
      // A large body goes at once: libcurl's own "Expect: 100-continue" stays out.
      {1, bigBody, "POST / HTTP/1.1", "Content-Length: " + std::to_string(bigBody.size())},
  };
  for (const Case& c : cases) {
    Site site;
    Text status;
    HttpRequest(site.Url(), {.method = c.method, .postData = c.postData, .statusText = &status});
    EXPECT_EQ(status, "200 OK");
    RecordedRequest request = site.OnlyRequest();
    EXPECT_EQ(request.RequestLine(), c.requestLine);
    std::string expected = site.Host() + kDefaultLines;
    if (!c.lengthLine.empty()) expected += c.lengthLine + "\r\n";
    EXPECT_EQ(request.HeaderBlock(), expected) << c.method;
    EXPECT_TRUE(request.body == c.postData) << c.method;
  }
}

TEST(HttpRequestTest, AsksForSlashWhenTheAddressHasNoPath) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "/"},      {"?x=1", "/"},          {"/a/b?x=1", "/a/b?x=1"},     {"#top", "/"},
      {"/p#f", "/p"}, {"/a/../b", "/a/../b"}, {"/%E6%AD%8C", "/%E6%AD%8C"},
  };
  for (const auto& [rest, object] : cases) {
    Site site;
    HttpRequest(site.Url("") + rest);
    EXPECT_EQ(site.OnlyRequest().RequestLine(), "GET " + object + " HTTP/1.1") << rest;
  }
}

TEST(HttpRequestTest, FollowsRedirectsAndReportsTheFinalResponse) {
  const std::string finalBlock =
      "HTTP/1.1 200 OK\r\nSet-Cookie: b=3\r\nContent-Length: 4\r\nConnection: close\r\n\r\n";
  Site site({{"/start",
              HttpReply("HTTP/1.1 302 Found", "Location: /final\r\nSet-Cookie: s=1\r\n", "moved")},
             {"/final", finalBlock + "done"}});
  Text status, headers, location = "untouched", newCookies;
  Text page = HttpRequest(site.Url("/start"), {.newCookies = &newCookies,
                                               .responseHeaders = &headers,
                                               .location = &location,
                                               .statusText = &status});
  EXPECT_EQ(page, "done");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(headers, finalBlock);
  EXPECT_EQ(location, "untouched");
  EXPECT_EQ(newCookies, "b=3");
  std::vector<RecordedRequest> requests = site.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].RequestLine(), "GET /final HTTP/1.1");
  // The cookie set on the way is not sent on: libcurl's cookie engine stays off.
  EXPECT_EQ(requests[1].HeaderBlock(), site.Host() + kDefaultLines);
}

TEST(HttpRequestTest, StopsAtTheRedirectWhenAsked) {
  Site site({{"/start", HttpReply("HTTP/1.1 302 Found", "Location: /final\r\n", "moved")}});
  Text status, location;
  Text page = HttpRequest(site.Url("/start"),
                          {.noRedirect = true, .location = &location, .statusText = &status});
  EXPECT_EQ(page, "moved");
  EXPECT_EQ(status, "302 Found");
  EXPECT_EQ(location, "/final");
  EXPECT_EQ(site.Requests().size(), 1u);
}

TEST(HttpRequestTest, MergesSuppliedCookiesWithTheNewOnes) {
  Site site(
      {{"/", HttpReply("HTTP/1.1 200 OK", "Set-Cookie: b=3; Path=/\r\nset-cookie: c=4\r\n", "")}});
  Text cookies = "a=1; b=2", newCookies;
  HttpRequest(site.Url(), {.cookies = &cookies, .newCookies = &newCookies});
  EXPECT_EQ(cookies, "b=3; c=4; a=1");
  EXPECT_EQ(newCookies, "b=3;c=4");
  EXPECT_EQ(site.OnlyRequest().HeaderBlock(), site.Host() + kDefaultLines + "Cookie: a=1; b=2\r\n");
}

TEST(HttpRequestTest, DeliversEveryBodyByteButTheTextEndsAtANul) {
  const std::string body("ab\0cd\xFF", 6);
  Site site({{"/", HttpReply("HTTP/1.1 200 OK", "Content-Encoding: gzip\r\n", body)}});
  ByteBuffer raw;
  EXPECT_EQ(HttpRequest(site.Url(), {.rawBody = &raw}), "ab");
  EXPECT_EQ(raw, ByteBuffer(body.begin(), body.end()));  // not decoded, however it is labelled
}

TEST(HttpRequestTest, JoinsAChunkedBody) {
  Site site({{"/",
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
              "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"}});
  EXPECT_EQ(HttpRequest(site.Url()), "abcde");
}

TEST(HttpRequestTest, EmptyAnswersGiveEmptyText) {
  Site site({{"/none", "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n"}});
  Text status;
  ByteBuffer raw = {1};
  EXPECT_EQ(HttpRequest(site.Url("/none"), {.statusText = &status, .rawBody = &raw}), "");
  EXPECT_EQ(status, "204 No Content");
  EXPECT_TRUE(raw.empty());

  raw = {1};
  EXPECT_EQ(HttpRequest(site.Url("/head"), {.method = 2, .statusText = &status, .rawBody = &raw}),
            "");
  EXPECT_EQ(status, "200 OK");
  EXPECT_TRUE(raw.empty());
}

TEST(HttpRequestTest, SendsServerCredentialsOnlyWhenBothArePresent) {
  const std::pair<Text, Text> cases[] = {{"user", "pass"}, {"user", ""}, {"", "pass"}};
  for (const auto& [user, password] : cases) {
    Site site;
    Text status;
    HttpRequest(site.Url(),
                {.serverUser = user, .serverPassword = password, .statusText = &status});
    EXPECT_EQ(status, "200 OK");
    std::string authorization =
        user.empty() || password.empty() ? "" : "Authorization: Basic dXNlcjpwYXNz\r\n";
    EXPECT_EQ(site.OnlyRequest().HeaderBlock(), site.Host() + authorization + kDefaultLines);
  }
}

TEST(HttpRequestTest, GoesThroughTheProxyWithItsCredentials) {
  Site proxy({{"http://example.test/p?q=1", HttpReply("HTTP/1.1 200 OK", "", "via proxy")}});
  Text page = HttpRequest("http://example.test/p?q=1",
                          {.proxy = proxy.Proxy(), .proxyUser = "pu", .proxyPassword = "pp"});
  EXPECT_EQ(page, "via proxy");
  RecordedRequest request = proxy.OnlyRequest();
  EXPECT_EQ(request.RequestLine(), "GET http://example.test/p?q=1 HTTP/1.1");
  EXPECT_EQ(request.HeaderBlock(),
            "Host: example.test\r\nProxy-Authorization: Basic cHU6cHA=\r\n" + kDefaultLines);
}

TEST(HttpRequestTest, TunnelsASecureAddressThroughTheProxy) {
  Site proxy({{"example.test:443", "HTTP/1.1 403 Forbidden\r\nConnection: close\r\n\r\n"}});
  Text status;
  HttpRequest("https://example.test/", {.proxy = proxy.Proxy(), .statusText = &status});
  EXPECT_EQ(proxy.OnlyRequest().RequestLine(), "CONNECT example.test:443 HTTP/1.1");
  EXPECT_EQ(status, "711 发送请求失败!"_gbk);
}

TEST(HttpRequestTest, DecodesAPageThatDeclaresUtf8) {
  const std::string body = "<meta charset=\"utf-8\">下载成功";
  Site site({{"/", HttpReply("HTTP/1.1 200 OK", "", body)}});
  ByteBuffer raw;
  EXPECT_EQ(HttpRequest(site.Url(), {.rawBody = &raw}), "<meta charset=\"utf-8\">下载成功"_gbk);
  EXPECT_EQ(raw, ByteBuffer(body.begin(), body.end()));
}

TEST(HttpRequestTest, RunsThePumpAtTheFixedPointsOfACompleteExchange) {
  Site site;  // its header block has four lines: status, Content-Length, Connection, empty
  int pumped = 0;
  SetMessagePump([&pumped] { ++pumped; });
  HttpRequest(site.Url());
  SetMessagePump(nullptr);
  EXPECT_EQ(pumped, 4 + 1 + 1 + 8);  // each line, charset step, end of response, eight stages
}

TEST(HttpRequestTest, ANestedCallFromThePumpKeepsToItself) {
  Site site({{"/outer", HttpReply("HTTP/1.1 200 OK", "Set-Cookie: o=1\r\n", "outer body")},
             {"/inner", HttpReply("HTTP/1.1 201 Created", "Set-Cookie: i=2\r\n", "inner")}});
  Text innerPage, innerStatus, innerCookies;
  bool nested = false;
  SetMessagePump([&] {
    if (nested) return;
    nested = true;
    innerPage =
        HttpRequest(site.Url("/inner"), {.newCookies = &innerCookies, .statusText = &innerStatus});
  });
  Text status, newCookies;
  Text page = HttpRequest(site.Url("/outer"), {.newCookies = &newCookies, .statusText = &status});
  SetMessagePump(nullptr);
  EXPECT_EQ(page, "outer body");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(newCookies, "o=1");
  EXPECT_EQ(innerPage, "inner");
  EXPECT_EQ(innerStatus, "201 Created");
  EXPECT_EQ(innerCookies, "i=2");
}

}  // namespace
}  // namespace qoravel
