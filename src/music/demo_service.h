// The built-in demo service: answers the search path from the demo catalogue with compact JSON in
// the service's layout and serves each download address as a small MP3 it generates. Runs on
// its own thread on 127.0.0.1; Start and Stop from one thread.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "textcore/text.h"

namespace httplib {
class Server;
}

namespace qoravel {

class DemoService {
 public:
  DemoService();
  ~DemoService();  // stops the service
  DemoService(const DemoService&) = delete;
  DemoService& operator=(const DemoService&) = delete;

  // Listens on 127.0.0.1 at the port, or at a free one for 0. False when it cannot listen.
  [[nodiscard]] bool Start(int port = 0);
  void Stop();
  int port() const { return port_; }
  Text host() const;  // "127.0.0.1:PORT"

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

// The search answer for a UTF-8 keyword: songs whose name, singer or album holds it (every song
// for an empty keyword), their addresses under http://host.
std::string DemoSearchAnswer(const std::string& keyword, const std::string& host);

}  // namespace qoravel
