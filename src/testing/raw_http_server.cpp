#include "testing/raw_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace qoravel::testing {
namespace {

constexpr int kPollMilliseconds = 50;  // how quickly idle threads notice that the server stops

int ListenOnLoopback(int backlog, int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) std::abort();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();
  }
  *port = ntohs(address.sin_port);
  return fd;
}

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

// The Content-Length value of a request head, 0 when it has none.
size_t ContentLength(const std::string& head) {
  std::string lower = head;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return std::strtoul(head.c_str() + at + 17, nullptr, 10);
}

}  // namespace

std::string RecordedRequest::RequestLine() const { return head.substr(0, head.find("\r\n")); }

std::string RecordedRequest::HeaderBlock() const {
  size_t start = head.find("\r\n");
  if (start == std::string::npos || head.size() < start + 4) return {};
  return head.substr(start + 2, head.size() - start - 4);
}

std::string HttpReply(const std::string& statusLine, const std::string& headerLines,
                      const std::string& body) {
  std::string reply = statusLine + "\r\n" + headerLines;
  std::string lower = headerLines;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.find("content-length:") == std::string::npos) {
    reply += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  return reply + "Connection: close\r\n\r\n" + body;
}

RawHttpServer::RawHttpServer(Script script) : script_(std::move(script)) {
  listener_ = ListenOnLoopback(64, &port_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  shutdown(listener_, SHUT_RDWR);  // wakes the acceptor at once
  acceptor_.join();
  for (std::thread& connection : connections_) connection.join();
  close(listener_);
}

std::string RawHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<RecordedRequest> RawHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool RawHttpServer::WaitReadable(int fd) const {
  pollfd waiting{fd, POLLIN, 0};
  while (!stopping_) {
    if (poll(&waiting, 1, kPollMilliseconds) > 0) return true;
  }
  return false;
}

void RawHttpServer::AcceptLoop() {
  while (WaitReadable(listener_)) {
    int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    // Only this thread adds to connections_, and the destructor joins it first.
    connections_.emplace_back([this, connection] { Serve(connection); });
  }
}

void RawHttpServer::StallUntilStopped() {
  std::unique_lock lock(mutex_);
  stopped_.wait(lock, [this] { return stopping_.load(); });
}

void RawHttpServer::Serve(int connection) {
  RecordedRequest request;
  std::string received;
  size_t headEnd = std::string::npos;
  char chunk[65536];
  bool complete = false;
  while (!complete && WaitReadable(connection)) {
    ssize_t got = recv(connection, chunk, sizeof chunk, 0);
    if (got <= 0) break;
    received.append(chunk, static_cast<size_t>(got));
    if (headEnd == std::string::npos) headEnd = received.find("\r\n\r\n");
    if (headEnd != std::string::npos) {
      size_t bodyStart = headEnd + 4;
      complete = received.size() >= bodyStart + ContentLength(received.substr(0, bodyStart));
    }
  }
  if (complete) {
    request.head = received.substr(0, headEnd + 4);
    request.body = received.substr(headEnd + 4);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    ScriptedReply reply = script_(request);
    bool sent = SendAll(connection, reply.bytes.data(), reply.bytes.size());
    if (sent && reply.bulk) SendAll(connection, reply.bulk->data(), reply.bulk->size());
    if (reply.then == ScriptedReply::Then::kStall) StallUntilStopped();
  }
  close(connection);
}

int RefusedPort() {
  int port = 0;
  int fd = ListenOnLoopback(1, &port);
  close(fd);  // nothing listens there now; the port stays free for this short test
  return port;
}

UnansweredPort::UnansweredPort() {
  listener_ = ListenOnLoopback(0, &port_);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port_));
  // Fill the accept queue: once a connection attempt stays pending, the queue is full.
  for (int attempt = 0; attempt < 16; ++attempt) {
    int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    pollfd waiting{filler, POLLOUT, 0};
    bool connected = poll(&waiting, 1, 200) > 0 && (waiting.revents & POLLOUT) != 0;
    fillers_.push_back(filler);
    if (!connected) break;
  }
}

UnansweredPort::~UnansweredPort() {
  for (int filler : fillers_) close(filler);
  close(listener_);
}

}  // namespace qoravel::testing
