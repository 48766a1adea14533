// LoopbackServer: a real HTTP server on 127.0.0.1 at a free port, scripted by the test through
// cpp-httplib handlers registered before Start. Test-only; stops when it goes away.
#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace qoravel::testing {

class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  httplib::Server& server() { return server_; }
  // Binds and runs the server; aborts the test program when it cannot.
  void Start();
  int port() const { return port_; }
  std::string host() const;                        // "127.0.0.1:PORT"
  std::string Url(const std::string& path) const;  // "http://127.0.0.1:PORT" + path

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

// A port on 127.0.0.1 where nothing listens (it was bound and let go).
int UnusedLoopbackPort();

}  // namespace qoravel::testing
