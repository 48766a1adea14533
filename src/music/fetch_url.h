// FetchUrl: one HTTP or HTTPS GET for the download workers, over libcurl with one process-wide
// share handle. Any number of threads may fetch at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "textcore/text.h"

namespace qoravel {

struct FetchResult {
  bool complete = false;   // the whole body arrived: no failure, no fewer bytes than stated
  long status = 0;         // HTTP status of the final answer; 0 when none arrived
  std::int64_t bytes = 0;  // body bytes handed to the sink
};

// Receives the body piece by piece; returning false stops the fetch (it is then not complete).
using FetchSink = std::function<bool(const char* data, std::size_t size)>;
// Bytes received so far and the stated total, -1 while no total is known. Called often.
using FetchProgress = std::function<void(std::int64_t received, std::int64_t total)>;

// GET over HTTP/1.0 with the program's user agent and "Accept: */*": the fragment dropped, user
// and password taken from the address, redirects followed, https certificates verified, the
// environment's proxy settings honoured, nothing cached. Only http and https addresses are
// fetched; an empty or unusable address gives an incomplete result at once.
[[nodiscard]] FetchResult FetchUrlTo(const Text& address, const FetchSink& sink,
                                     const FetchProgress& progress = {});

// The whole body of any answer, error pages included; the bytes read so far when the fetch
// fails, nothing when it fails before the body.
ByteBuffer FetchUrl(const Text& address);

}  // namespace qoravel
