// HttpTransport: the platform's HTTP client behind the steps of HttpRequest, one object per call,
// used on one thread. Each step answers false when the platform refuses it; the object releases
// everything it opened when it goes away. http_transport_curl.cpp holds the libcurl version.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "textcore/text.h"

namespace qoravel {

// The parts of an address as the request steps use them, in code page 936.
struct AddressParts {
  Text host;            // empty when the address names none
  int port = 0;         // the scheme's default port when the address names none
  bool secure = false;  // the scheme is https
  Text path;            // empty when the address has no path, not even "/"
  Text extraInfo;       // the query with its "?", or empty
};

class HttpTransport {
 public:
  // How the exchange of Send ended.
  enum class Outcome {
    kComplete,    // the final response and its whole body arrived
    kSendFailed,  // no connection, or the request could not be sent
    kNoResponse,  // sent, but no final response header block arrived (time-out, closed, garbage)
    kReadFailed,  // the final header block arrived; the body broke off (what came is kept)
  };

  // Whether the client library can be used at all in this process.
  [[nodiscard]] static bool PlatformAvailable();
  // Splits an http or https address; nothing for anything else or an unparsable one.
  [[nodiscard]] static std::optional<AddressParts> ParseAddress(const Text& address);

  HttpTransport();
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  [[nodiscard]] bool OpenSession(const Text& proxy);  // empty = none
  [[nodiscard]] bool Connect(const Text& host, int port, bool secure);
  [[nodiscard]] bool OpenRequest(const Text& verb, const Text& objectName);  // GET POST HEAD PUT
  [[nodiscard]] bool SetTimeouts(int seconds);  // connect, and no data moving for that long
  [[nodiscard]] bool SetServerCredentials(const Text& user, const Text& password);
  [[nodiscard]] bool SetProxyCredentials(const Text& user, const Text& password);
  [[nodiscard]] bool SetCookieHandling(bool callerSuppliedCookies);
  [[nodiscard]] bool DisableRedirects();
  // Header lines separated by CR LF; false for a line that is not "Name: value".
  [[nodiscard]] bool AddRequestHeaders(const Text& block);
  // Sends the request with body, waits for the final response and reads its body.
  [[nodiscard]] Outcome Send(std::string_view body);

  // The final response's header block as received: status line first, CR LF line ends, ended
  // by an empty line. Empty when no header block arrived.
  [[nodiscard]] std::string TakeHeaderBlock();
  // The final response's body bytes as received (read so far, after kReadFailed).
  [[nodiscard]] std::string TakeBody();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qoravel
