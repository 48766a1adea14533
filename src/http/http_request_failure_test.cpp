// Every failure text of HttpRequest, each produced at its step by a real failing condition, and
// what each ending writes, leaves alone and lets through the message pump.
#include <gtest/gtest.h>

#include <functional>

#include "http/http_request.h"
#include "testing/raw_http_server.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using testing::HttpReply;
using testing::RawHttpServer;
using testing::RecordedRequest;
using testing::ScriptedReply;

const std::string kOversized(8'000'001, 'x');  // longer than libcurl takes for any one text

ScriptedReply Answer(const RecordedRequest& request) {
  const std::string line = request.RequestLine();
  auto is = [&line](const char* path) { return line == "GET " + std::string(path) + " HTTP/1.1"; };
  using Then = ScriptedReply::Then;
  if (is("/stall")) return {"", nullptr, Then::kStall};
  if (is("/close")) return {"", nullptr, Then::kClose};
  if (is("/garbage")) return {"HELLO\r\n\r\n"};
  if (is("/loop")) return {HttpReply("HTTP/1.1 302 Found", "Location: /loop\r\n", "")};
  if (is("/hop")) return {HttpReply("HTTP/1.1 302 Found", "Location: /stall\r\n", "")};
  const std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n12345";
  if (is("/cut")) return {cut};
  if (is("/cut-stall")) return {cut, nullptr, Then::kStall};
  return {HttpReply("HTTP/1.1 200 OK", "", "ok")};
}

class HttpRequestFailureTest : public ::testing::Test {
 protected:
  void TearDown() override { SetMessagePump(nullptr); }

  RawHttpServer server_{Answer};
  testing::UnansweredPort unanswered_;
};

struct Outputs {
  Text cookies = "c", newCookies = "n", headers = "h", location = "l", status = "s";
  ByteBuffer raw = {7};
};

struct FailureCase {
  const char* what;
  std::function<std::string(HttpRequestOptions&)> prepare;  // sets options, returns the address
  Text failureText;
  int pumps;  // messages let through on the way out
};

TEST_F(HttpRequestFailureTest, EachStepFailsWithItsTextAndEnding) {
  const Text k701 = "701 解析URL地址失败!"_gbk, k703 = "703 创建WinHttp连接失败!"_gbk,
             k707 = "707 设置代理凭证失败!"_gbk, k710 = "710 设置协议头失败!"_gbk,
             k711 = "711 发送请求失败!"_gbk, k712 = "712 服务器未响应!"_gbk;
  auto at = [this](const std::string& path) {
    return [this, path](HttpRequestOptions& o) {
      o.timeoutSeconds = 1;
      return server_.Url(path);
    };
  };
  auto address = [](const std::string& url) { return [url](HttpRequestOptions&) { return url; }; };
  const FailureCase cases[] = {
      {"empty address", address(""), k701, 1},
      {"no scheme", address("127.0.0.1/x"), k701, 1},
      {"not http", address("ftp://127.0.0.1/"), k701, 1},
      {"blank in host", address("http://a b/"), k701, 1},
      {"port out of range", address("http://h:99999/"), k701, 1},
      {"address too long", address("http://h/" + kOversized), k701, 1},
      {"proxy too long",
       [this](HttpRequestOptions& o) {
         o.proxy = kOversized;
         return server_.Url();
       },
       "702 创建WinHttp会话失败!"_gbk, 2},
      {"no host", address("http://"), k703, 3},
      {"no host before the query", address("http://?x=1"), k703, 3},
      {"empty authority", address("http:///x"), k703, 3},
      {"time-out beyond the timer's range",
       [this](HttpRequestOptions& o) {
         o.timeoutSeconds = 2147484;  // its milliseconds do not fit in 32 bits
         return server_.Url();
       },
       "705 设置超时时间失败!"_gbk, 5},
      {"server user too long",
       [this](HttpRequestOptions& o) {
         o.serverUser = kOversized;
         o.serverPassword = "p";
         return server_.Url();
       },
       k707, 0},
      {"proxy password too long",
       [this](HttpRequestOptions& o) {
         o.proxyUser = "u";
         o.proxyPassword = kOversized;
         return server_.Url();
       },
       k707, 0},
      {"header line without a colon",
       [this](HttpRequestOptions& o) {
         o.extraHeaders = "X-Good: 1\r\nno colon here";
         return server_.Url();
       },
       k710, 6},
      {"blank in a header name",
       [this](HttpRequestOptions& o) {
         o.extraHeaders = "Bad Name: 1";
         return server_.Url();
       },
       k710, 6},
      {"line break inside a header line",
       [this](HttpRequestOptions& o) {
         o.extraHeaders = "X-Split: a\nInjected: b";
         return server_.Url();
       },
       k710, 6},
      {"connection refused", address("http://127.0.0.1:" + std::to_string(testing::RefusedPort())),
       k711, 7},
      {"connection never answered",
       [this](HttpRequestOptions& o) {
         o.timeoutSeconds = 1;
         return "http://127.0.0.1:" + std::to_string(unanswered_.port()) + "/";
       },
       k711, 7},
      {"secure address at a plain server",
       [this](HttpRequestOptions& o) {
         o.timeoutSeconds = 1;
         return "https://127.0.0.1:" + std::to_string(server_.port()) + "/";
       },
       k711, 7},
      {"no answer within the time-out", at("/stall"), k712, 8},
      {"closed before the status line", at("/close"), k712, 8},
      {"not an HTTP answer", at("/garbage"), k712, 8},
      {"endless redirects", at("/loop"), k712, 8},
      {"redirect target never answers", at("/hop"), k712, 8},
  };
  for (const FailureCase& c : cases) {
    Outputs out;
    HttpRequestOptions options{.cookies = &out.cookies,
                               .newCookies = &out.newCookies,
                               .responseHeaders = &out.headers,
                               .location = &out.location,
                               .statusText = &out.status,
                               .rawBody = &out.raw};
    std::string url = c.prepare(options);
    int pumped = 0;
    SetMessagePump([&pumped] { ++pumped; });
    EXPECT_EQ(HttpRequest(url, options), "") << c.what;
    SetMessagePump(nullptr);
    EXPECT_EQ(out.status, c.failureText) << c.what;
    EXPECT_EQ(pumped, c.pumps) << c.what;
    const Outputs untouched;
    EXPECT_EQ(out.cookies, untouched.cookies) << c.what;
    EXPECT_EQ(out.newCookies, untouched.newCookies) << c.what;
    EXPECT_EQ(out.headers, untouched.headers) << c.what;
    EXPECT_EQ(out.location, untouched.location) << c.what;
    EXPECT_EQ(out.raw, untouched.raw) << c.what;
  }
}

TEST_F(HttpRequestFailureTest, ABodyThatBreaksOffKeepsWhatCameAndSaysSo) {
  for (const char* path : {"/cut", "/cut-stall"}) {
    Text status, headers;
    ByteBuffer raw;
    int pumped = 0;
    SetMessagePump([&pumped] { ++pumped; });
    Text page = HttpRequest(
        server_.Url(path),
        {.responseHeaders = &headers, .timeoutSeconds = 1, .statusText = &status, .rawBody = &raw});
    SetMessagePump(nullptr);
    EXPECT_EQ(page, "12345") << path;
    EXPECT_EQ(raw, TextToBytes("12345")) << path;
    EXPECT_EQ(status, "713 读取数据失败!"_gbk) << path;
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(pumped, 4 + 1 + 1 + 8) << path;  // the response phase runs in full
  }
}

TEST_F(HttpRequestFailureTest, OutputsNotAskedForAreNotNeeded) {
  EXPECT_EQ(HttpRequest(""), "");
  EXPECT_EQ(HttpRequest(server_.Url("/cut")), "12345");
  EXPECT_EQ(HttpRequest(server_.Url("/ok")), "ok");
}

}  // namespace
}  // namespace qoravel
