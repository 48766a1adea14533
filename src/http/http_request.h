// HttpRequest: one complete HTTP or HTTPS request over libcurl, synchronous on the calling thread.
// Failures are numbered texts (700..713) written into statusText; nothing is thrown or shown.
#pragma once

#include <functional>

#include "textcore/text.h"

namespace qoravel {

struct HttpRequestOptions {
  int method = 0;                       // 0 GET, 1 POST, 2 HEAD, 3 PUT; anything else GET
  Text postData{};                      // request body, sent unchanged
  Text* cookies = nullptr;              // in/out; null = omitted, pointer to empty = supplied
  Text* newCookies = nullptr;           // out: cookies set by the response, "a=1; b=2"
  Text extraHeaders{};                  // caller's header lines, CR LF separated
  Text* responseHeaders = nullptr;      // out: the final response's header block
  bool noRedirect = false;              // true: redirects are not followed
  Text serverUser{}, serverPassword{};  // basic credentials at the server (both or none)
  Text proxy{};                         // host or host:port; empty = no proxy
  Text proxyUser{}, proxyPassword{};    // basic credentials at the proxy (both or none)
  int timeoutSeconds = 0;               // per phase; below 1 means 30 s
  Text* location = nullptr;             // out: last Location header
  Text* statusText = nullptr;           // out: "200 OK" or a numbered failure text
  ByteBuffer* rawBody = nullptr;        // out: the body bytes as received
};

Text HttpRequest(const Text& requestUrl, const HttpRequestOptions& options = {});

// The message pump the shell hands the engine: run at the fixed points of a request where
// pending window messages are processed. Empty by default (nothing runs). May be set from any
// thread; each request runs the pump on its own calling thread.
using MessagePump = std::function<void()>;
void SetMessagePump(MessagePump pump);

}  // namespace qoravel
