#include "testing/loopback_server.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace qoravel::testing {

LoopbackServer::~LoopbackServer() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

void LoopbackServer::Start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) std::abort();
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!server_.is_running()) {
    if (std::chrono::steady_clock::now() > deadline) std::abort();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

std::string LoopbackServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackServer::Url(const std::string& path) const { return "http://" + host() + path; }

int UnusedLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();
  }
  const int port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

}  // namespace qoravel::testing
