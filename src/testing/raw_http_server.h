// RawHttpServer: a loopback TCP server for tests and benchmarks that records the exact bytes of
// each request and answers with a scripted reply, one request per connection. One thread accepts;
// each connection is served on a thread of its own; all are joined when the server goes away.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qoravel::testing {

struct RecordedRequest {
  std::string head;  // request line and header lines, each ended by CR LF, then the blank line
  std::string body;  // the Content-Length bytes that followed the head

  std::string RequestLine() const;  // the first line, without its CR LF
  std::string HeaderBlock() const;  // the header lines after the request line, blank line excluded
};

struct ScriptedReply {
  enum class Then { kClose, kStall };
  std::string bytes{};                        // sent exactly as given
  std::shared_ptr<const std::string> bulk{};  // optional large tail sent after bytes, not copied
  Then then = Then::kClose;                   // close, or hold the connection open and silent
};

// A complete reply: the status line, the given header lines (each ended by CR LF), a
// Content-Length for body unless the headers carry one, "Connection: close", and the body.
std::string HttpReply(const std::string& statusLine, const std::string& headerLines,
                      const std::string& body);

class RawHttpServer {
 public:
  using Script = std::function<ScriptedReply(const RecordedRequest&)>;

  // Listens on 127.0.0.1 at a free port; the script runs on the connection's thread.
  explicit RawHttpServer(Script script);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path = "/") const;  // "http://127.0.0.1:PORT" + path
  std::vector<RecordedRequest> Requests() const;         // every request so far, in order

 private:
  void AcceptLoop();
  void Serve(int connection);
  bool WaitReadable(int fd) const;  // false once the server is stopping
  void StallUntilStopped();

  Script script_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::vector<RecordedRequest> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

// A loopback port that nobody listens on: connecting to it is refused.
int RefusedPort();

// A loopback port whose accept queue is full and never served: a connection attempt to it gets
// no answer at all and waits until the client gives up.
class UnansweredPort {
 public:
  UnansweredPort();
  ~UnansweredPort();
  UnansweredPort(const UnansweredPort&) = delete;
  UnansweredPort& operator=(const UnansweredPort&) = delete;
  int port() const { return port_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  int port_ = 0;
};

}  // namespace qoravel::testing
