#include "music/fetch_url.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "testing/loopback_server.h"

namespace qoravel {
namespace {

using testing::LoopbackServer;

std::string AsString(const ByteBuffer& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A body that stops after `sent` of the `stated` bytes: the connection is closed mid-way.
void ServeCutBody(httplib::Response& response, std::size_t stated, std::size_t sent) {
  response.set_content_provider(stated, "audio/mpeg",
                                [sent](size_t offset, size_t, httplib::DataSink& sink) {
                                  if (offset >= sent) return false;
                                  sink.write(std::string(sent, 'x').data(), sent);
                                  return true;
                                });
}

class FetchUrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().Get(".*",
                         [this](const httplib::Request& request, httplib::Response& response) {
                           {
                             std::lock_guard lock(mutex_);
                             requests_.push_back(request);
                           }
                           if (request.path == "/song")
                             response.set_content("song bytes", "audio/mpeg");
                           if (request.path == "/old") response.set_redirect("/song", 302);
                           if (request.path == "/missing") {
                             response.status = 404;
                             response.set_content("<h1>not here</h1>", "text/html");
                           }
                           if (request.path == "/cut") ServeCutBody(response, 1000, 100);
                           if (request.path == "/big")
                             response.set_content(std::string(1 << 20, 'b'), "audio/mpeg");
                         });
    server_.Start();
  }
  httplib::Request LastRequest() {
    std::lock_guard lock(mutex_);
    return requests_.back();
  }

  LoopbackServer server_;
  std::mutex mutex_;
  std::vector<httplib::Request> requests_;
};

TEST_F(FetchUrlTest, SendsTheDownloadRequestOfTheProgram) {
  EXPECT_EQ(AsString(FetchUrl("http://user:secret@" + server_.host() + "/song?id=3&q=a#frag")),
            "song bytes");
  const httplib::Request request = LastRequest();
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.version, "HTTP/1.0");
  EXPECT_EQ(request.target, "/song?id=3&q=a");
  EXPECT_EQ(request.get_header_value("User-Agent"),
            "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  EXPECT_EQ(request.get_header_value("Accept"), "*/*");
  EXPECT_EQ(request.get_header_value("Authorization"), "Basic dXNlcjpzZWNyZXQ=");
  EXPECT_FALSE(request.has_header("Cookie"));
}

TEST_F(FetchUrlTest, FollowsRedirectsAndReportsTheFinalAnswer) {
  std::string body;
  const FetchResult result = FetchUrlTo(server_.Url("/old"), [&](const char* data, size_t size) {
    body.append(data, size);
    return true;
  });
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.bytes, 10);
  EXPECT_EQ(body, "song bytes");
}

TEST_F(FetchUrlTest, ErrorPagesAreBodiesButTheirStatusIsKnown) {
  EXPECT_EQ(AsString(FetchUrl(server_.Url("/missing"))), "<h1>not here</h1>");
  const FetchResult result =
      FetchUrlTo(server_.Url("/missing"), [](const char*, size_t) { return true; });
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(result.status, 404);
}

TEST_F(FetchUrlTest, ABodyCutShortIsIncompleteWithTheBytesReadSoFar) {
  EXPECT_EQ(AsString(FetchUrl(server_.Url("/cut"))), std::string(100, 'x'));
  const FetchResult result =
      FetchUrlTo(server_.Url("/cut"), [](const char*, size_t) { return true; });
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(result.bytes, 100);
}

TEST_F(FetchUrlTest, FailuresBeforeTheBodyGiveNothing) {
  const std::string refused =
      "http://127.0.0.1:" + std::to_string(testing::UnusedLoopbackPort()) + "/song";
  for (const std::string& address :
       {std::string(), refused, std::string("http://[::1/x"), std::string("file:///etc/hostname"),
        std::string("ftp://127.0.0.1/x")}) {
    std::int64_t delivered = 0;
    const FetchResult result = FetchUrlTo(address, [&](const char*, size_t size) {
      delivered += static_cast<std::int64_t>(size);
      return true;
    });
    EXPECT_FALSE(result.complete) << address;
    EXPECT_EQ(result.status, 0) << address;
    EXPECT_EQ(delivered, 0) << address;
    EXPECT_TRUE(FetchUrl(address).empty()) << address;
  }
}

TEST_F(FetchUrlTest, ASinkThatRefusesStopsTheFetch) {
  const FetchResult result =
      FetchUrlTo(server_.Url("/big"), [](const char*, size_t) { return false; });
  EXPECT_FALSE(result.complete);
  EXPECT_EQ(result.bytes, 0);
}

TEST_F(FetchUrlTest, ReportsProgressAgainstTheStatedLength) {
  std::int64_t lastReceived = 0, lastTotal = 0;
  const FetchResult result = FetchUrlTo(
      server_.Url("/big"), [](const char*, size_t) { return true; },
      [&](std::int64_t received, std::int64_t total) {
        lastReceived = received;
        lastTotal = total;
      });
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(lastReceived, 1 << 20);
  EXPECT_EQ(lastTotal, 1 << 20);
}

TEST_F(FetchUrlTest, ManyWorkersFetchAtOnce) {
  constexpr int kWorkers = 8;
  std::vector<std::thread> workers;
  std::vector<ByteBuffer> bodies(kWorkers);
  for (int i = 0; i < kWorkers; ++i) {
    workers.emplace_back([&, i] { bodies[i] = FetchUrl(server_.Url(i % 2 ? "/big" : "/song")); });
  }
  for (auto& worker : workers) worker.join();
  for (int i = 0; i < kWorkers; ++i) {
    EXPECT_EQ(AsString(bodies[i]), i % 2 ? std::string(1 << 20, 'b') : "song bytes") << i;
  }
}

TEST(FetchUrlProxyTest, HonoursTheEnvironmentsProxy) {
  LoopbackServer proxy;
  std::mutex seenMutex;  // the server's thread writes, the test reads
  std::string seenTarget;
  proxy.server().set_pre_routing_handler(
      [&](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard lock(seenMutex);
        seenTarget = request.target;
        response.set_content("via proxy", "audio/mpeg");
        return httplib::Server::HandlerResponse::Handled;
      });
  proxy.Start();
  ::setenv("http_proxy", proxy.Url("/").c_str(), 1);
  const ByteBuffer body = FetchUrl("http://songs.invalid/a.mp3");
  ::unsetenv("http_proxy");
  EXPECT_EQ(AsString(body), "via proxy");
  std::lock_guard lock(seenMutex);
  EXPECT_EQ(seenTarget, "http://songs.invalid/a.mp3");
}

}  // namespace
}  // namespace qoravel
