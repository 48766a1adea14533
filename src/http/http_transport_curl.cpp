// The request steps over libcurl's easy interface. libcurl keeps its own cookie engine, content
// decoding and default headers out of the exchange, so what goes on the wire is what the steps
// built, plus Host and, with a body, Content-Length.
#include <curl/curl.h>
#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "http/http_transport.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kMaxRedirects = 10;                // as many hops as the platform client follows
constexpr long kDefaultProxyPort = 80;            // a proxy named without a port listens here
constexpr long kReceiveBufferBytes = 512 * 1024;  // fewer, larger reads for big bodies
// The body is held in memory, and a search copies it a few times more on its way to the list:
// a longer body is cut off as a failed read, so that an answer that never ends cannot take all
// of the machine's memory. A stated Content-Length is reserved up front up to this size.
constexpr curl_off_t kMaxBodyBytes = 256LL * 1024 * 1024;
// Headers libcurl would add on its own unless the request already names them; a name listed
// here with an empty value tells libcurl to leave it out.
constexpr const char* kLibcurlOwnHeaders[] = {"Accept", "Content-Type", "Expect",
                                              "Proxy-Connection"};

// Fresh memory costs one page fault per 4 KiB page, which dominates reading a large body into
// memory; asking for huge pages on the body's buffer cuts that to one fault per 2 MiB.
constexpr size_t kHugePageBytes = 2 * 1024 * 1024;

void AdviseHugePages(std::string& buffer) {
  if (buffer.capacity() < 2 * kHugePageBytes) return;
  auto start = reinterpret_cast<uintptr_t>(buffer.data());
  uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  uintptr_t last = (start + buffer.capacity()) & ~(kHugePageBytes - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Makes room for more body bytes, growing geometrically so that the copies stay linear.
void ReserveAtLeast(std::string& buffer, size_t needed) {
  if (needed <= buffer.capacity()) return;
  buffer.reserve(std::min(std::max(needed, buffer.capacity() * 2), size_t{kMaxBodyBytes}));
  AdviseHugePages(buffer);
}

struct EasyCloser {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlCloser {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextCloser {
  void operator()(char* text) const { curl_free(text); }
};
using CurlText = std::unique_ptr<char, CurlTextCloser>;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// RFC 9110 token characters, the only ones a header name may hold.
bool IsTokenChar(unsigned char c) {
  return std::isalnum(c) != 0 || std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

std::optional<std::string> UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* raw = nullptr;
  if (curl_url_get(url, part, &raw, flags) != CURLUE_OK) return std::nullopt;
  CurlText text(raw);
  return std::string(text.get());
}

// Where the authority of "scheme://authority..." ends, and whether it names a host at all.
struct RawAuthority {
  bool hasHost = false;
  bool hasPath = false;
};

std::optional<RawAuthority> ScanAuthority(std::string_view address) {
  size_t start = address.find("://");
  if (start == std::string_view::npos) return std::nullopt;
  start += 3;
  size_t end = address.find_first_of("/?#", start);
  std::string_view authority = address.substr(start, end - start);
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  RawAuthority raw;
  raw.hasHost = !authority.empty() && authority.front() != ':';
  raw.hasPath = end != std::string_view::npos && address[end] == '/';
  return raw;
}

}  // namespace

struct HttpTransport::State {
  std::unique_ptr<CURL, EasyCloser> easy;
  std::unique_ptr<curl_slist, ListCloser> headers;
  Text host;
  int port = 0;
  bool secure = false;
  Text verb = "GET";
  bool followRedirects = true;
  Clock::duration idleLimit = std::chrono::seconds(30);

  // Filled while the exchange runs.
  std::string headerBlock;
  std::string body;
  bool anyStatusLine = false;
  bool finalHeaders = false;
  bool requestStarted = false;
  // A HEAD sent with a body cannot use libcurl's no-body mode; its answer ends with the head.
  bool headWithBody = false;
  Clock::time_point lastActivity;
  curl_off_t lastDownloaded = 0;
  curl_off_t lastUploaded = 0;

  bool OnHeaderLine(std::string_view line);
  bool IsIntermediateResponse() const;
  void ReserveBody();
  Outcome Classify(CURLcode result, size_t bodySize) const;

  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
  static int PrereqCallback(void* self, char*, char*, int, int);
  static int ProgressCallback(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                              curl_off_t uploaded);
};

// False ends the transfer: the answer to a HEAD sent with a body has no body to wait for.
bool HttpTransport::State::OnHeaderLine(std::string_view line) {
  lastActivity = Clock::now();
  if (finalHeaders) return true;  // trailers after a chunked body are not part of the block
  if (StartsWithIgnoringCase(line, "HTTP/")) {
    // Each response of a redirect chain (and each interim 1xx) starts a fresh block.
    headerBlock.clear();
    body.clear();
    anyStatusLine = true;
  }
  headerBlock.append(line);
  if (line == "\r\n" || line == "\n") {
    if (!IsIntermediateResponse()) {
      finalHeaders = true;
      ReserveBody();
      return !headWithBody;
    }
  }
  return true;
}

// A 1xx answer, or a redirect that libcurl is about to follow.
bool HttpTransport::State::IsIntermediateResponse() const {
  long code = 0;
  curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &code);
  if (code >= 100 && code < 200) return true;
  if (!followRedirects || code < 300 || code >= 400) return false;
  size_t at = 0;
  while ((at = headerBlock.find("\n", at)) != std::string::npos) {
    std::string_view rest = std::string_view(headerBlock).substr(++at);
    if (!StartsWithIgnoringCase(rest, "Location:")) continue;
    std::string_view value = rest.substr(9, rest.find_first_of("\r\n") - 9);
    if (value.find_first_not_of(" \t") != std::string_view::npos) return true;
  }
  return false;
}

void HttpTransport::State::ReserveBody() {
  if (verb == "HEAD") return;
  curl_off_t length = -1;
  curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (length > 0) ReserveAtLeast(body, static_cast<size_t>(std::min(length, kMaxBodyBytes)));
}

HttpTransport::Outcome HttpTransport::State::Classify(CURLcode result, size_t bodySize) const {
  if ((result == CURLE_OK || headWithBody) && finalHeaders) return Outcome::kComplete;
  if (finalHeaders) return Outcome::kReadFailed;
  if (anyStatusLine) return Outcome::kNoResponse;  // a redirect hop or the final head broke off
  curl_off_t uploaded = 0;
  curl_easy_getinfo(easy.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
  bool sent =
      requestStarted && result != CURLE_SEND_ERROR && uploaded >= static_cast<curl_off_t>(bodySize);
  return sent ? Outcome::kNoResponse : Outcome::kSendFailed;
}

size_t HttpTransport::State::HeaderCallback(char* data, size_t size, size_t count, void* self) {
  bool goOn = static_cast<State*>(self)->OnHeaderLine(std::string_view(data, size * count));
  return goOn ? size * count : 0;
}

size_t HttpTransport::State::WriteCallback(char* data, size_t size, size_t count, void* self) {
  auto* state = static_cast<State*>(self);
  state->lastActivity = Clock::now();
  if (size * count > kMaxBodyBytes - state->body.size()) return 0;  // ends as a read failure
  try {
    ReserveAtLeast(state->body, state->body.size() + size * count);
    state->body.append(data, size * count);
  } catch (const std::bad_alloc&) {
    return 0;  // libcurl ends the transfer as a read failure; the body so far is kept
  }
  return size * count;
}

int HttpTransport::State::PrereqCallback(void* self, char*, char*, int, int) {
  auto* state = static_cast<State*>(self);
  state->requestStarted = true;
  state->lastActivity = Clock::now();  // the wait for the answer starts once connected
  return CURL_PREREQFUNC_OK;
}

int HttpTransport::State::ProgressCallback(void* self, curl_off_t, curl_off_t downloaded,
                                           curl_off_t, curl_off_t uploaded) {
  auto* state = static_cast<State*>(self);
  Clock::time_point now = Clock::now();
  if (downloaded != state->lastDownloaded || uploaded != state->lastUploaded) {
    state->lastDownloaded = downloaded;
    state->lastUploaded = uploaded;
    state->lastActivity = now;
  }
  return now - state->lastActivity > state->idleLimit ? 1 : 0;  // 1 ends the transfer
}

bool HttpTransport::PlatformAvailable() {
  static const bool available = [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return false;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    for (const char* const* protocol = info->protocols; *protocol != nullptr; ++protocol) {
      if (std::strcmp(*protocol, "http") == 0) return true;
    }
    return false;
  }();
  return available;
}

std::optional<AddressParts> HttpTransport::ParseAddress(const Text& address) {
  std::string utf8 = GbkToUtf8(address);
  std::optional<RawAuthority> raw = ScanAuthority(utf8);
  if (!raw) return std::nullopt;
  std::unique_ptr<CURLU, UrlCloser> url(curl_url());
  if (!url) return std::nullopt;
  // An address without a host still parses; the connection step is where it fails.
  unsigned flags = CURLU_PATH_AS_IS | (raw->hasHost ? 0 : CURLU_NO_AUTHORITY);
  if (curl_url_set(url.get(), CURLUPART_URL, utf8.c_str(), flags) != CURLUE_OK) {
    return std::nullopt;
  }
  std::optional<std::string> scheme = UrlPart(url.get(), CURLUPART_SCHEME);
  std::optional<std::string> port = UrlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (!scheme || !port || (*scheme != "http" && *scheme != "https")) return std::nullopt;
  AddressParts parts;
  parts.secure = *scheme == "https";
  parts.port = std::atoi(port->c_str());
  if (raw->hasHost) parts.host = Utf8ToGbk(UrlPart(url.get(), CURLUPART_HOST).value_or(""));
  if (raw->hasPath) parts.path = Utf8ToGbk(UrlPart(url.get(), CURLUPART_PATH).value_or(""));
  if (std::optional<std::string> query = UrlPart(url.get(), CURLUPART_QUERY)) {
    parts.extraInfo = Utf8ToGbk("?" + *query);
  }
  return parts;
}

HttpTransport::HttpTransport() : state_(std::make_unique<State>()) {}

HttpTransport::~HttpTransport() = default;

bool HttpTransport::OpenSession(const Text& proxy) {
  state_->easy.reset(curl_easy_init());
  CURL* easy = state_->easy.get();
  if (easy == nullptr) return false;
  // An empty proxy also keeps libcurl from taking one from the environment.
  bool ok =
      curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str()) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_NOPROXY, "") == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP)) == CURLE_OK &&
      curl_easy_setopt(easy, CURLOPT_PROXYPORT, kDefaultProxyPort) == CURLE_OK;
  // Session-wide behaviour: HTTP/1.1 only, no content decoding, follow http(s) redirects.
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &State::HeaderCallback);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, state_.get());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &State::WriteCallback);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, state_.get());
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &State::PrereqCallback);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, state_.get());
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &State::ProgressCallback);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, state_.get());
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  return ok;
}

bool HttpTransport::Connect(const Text& host, int port, bool secure) {
  if (host.empty()) return false;  // there is nothing to connect to
  state_->host = host;
  state_->port = port;
  state_->secure = secure;
  return true;
}

bool HttpTransport::OpenRequest(const Text& verb, const Text& objectName) {
  CURL* easy = state_->easy.get();
  state_->verb = verb;
  std::string url = GbkToUtf8(TextConcat(state_->secure ? "https://" : "http://", state_->host, ":",
                                         std::to_string(state_->port), objectName));
  if (curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) != CURLE_OK) return false;
  if (verb == "POST") return curl_easy_setopt(easy, CURLOPT_POST, 1L) == CURLE_OK;
  if (verb == "HEAD") return curl_easy_setopt(easy, CURLOPT_NOBODY, 1L) == CURLE_OK;
  if (verb == "PUT") return curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "PUT") == CURLE_OK;
  return curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L) == CURLE_OK;
}

bool HttpTransport::SetTimeouts(int seconds) {
  // libcurl refuses a connect time-out whose milliseconds do not fit in an int.
  if (curl_easy_setopt(state_->easy.get(), CURLOPT_CONNECTTIMEOUT, static_cast<long>(seconds)) !=
      CURLE_OK) {
    return false;
  }
  state_->idleLimit = std::chrono::seconds(seconds);
  return true;
}

bool HttpTransport::SetServerCredentials(const Text& user, const Text& password) {
  CURL* easy = state_->easy.get();
  return curl_easy_setopt(easy, CURLOPT_USERNAME, user.c_str()) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str()) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_BASIC) == CURLE_OK;
}

bool HttpTransport::SetProxyCredentials(const Text& user, const Text& password) {
  CURL* easy = state_->easy.get();
  return curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, user.c_str()) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, password.c_str()) == CURLE_OK &&
         curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_BASIC) == CURLE_OK;
}

bool HttpTransport::SetCookieHandling(bool /*callerSuppliedCookies*/) {
  // libcurl's cookie engine is off unless a cookie file or list is set, and none ever is: the
  // caller's cookies travel only in the Cookie line the request builds.
  return true;
}

bool HttpTransport::DisableRedirects() {
  state_->followRedirects = false;
  return curl_easy_setopt(state_->easy.get(), CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK;
}

bool HttpTransport::AddRequestHeaders(const Text& block) {
  std::unique_ptr<curl_slist, ListCloser> list;
  auto append = [&list](const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) return false;
    (void)list.release();
    list.reset(grown);
    return true;
  };
  std::vector<std::string> names;
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find("\r\n", start);
    if (end == std::string::npos) end = block.size();
    std::string line = block.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    size_t colon = line.find(':');
    if (colon == 0 || colon == std::string::npos || line.find_first_of("\r\n") != line.npos ||
        !std::all_of(line.begin(), line.begin() + colon,
                     [](char c) { return IsTokenChar(static_cast<unsigned char>(c)); })) {
      return false;
    }
    names.push_back(line.substr(0, colon));
    // libcurl reads "Name:" with nothing after it as "leave Name out"; "Name;" sends it empty.
    if (line.find_first_not_of(" \t", colon + 1) == std::string::npos) line = names.back() + ";";
    if (!append(line)) return false;
  }
  for (const char* own : kLibcurlOwnHeaders) {
    bool named = std::any_of(names.begin(), names.end(), [own](const std::string& name) {
      return name.size() == std::strlen(own) && StartsWithIgnoringCase(name, own);
    });
    if (!named && !append(std::string(own) + ":")) return false;
  }
  state_->headers = std::move(list);
  return curl_easy_setopt(state_->easy.get(), CURLOPT_HTTPHEADER, state_->headers.get()) ==
         CURLE_OK;
}

HttpTransport::Outcome HttpTransport::Send(std::string_view body) {
  State& state = *state_;
  CURL* easy = state.easy.get();
  const bool hasBody = !body.empty();
  // With a body, the method stays what the request step chose and the bytes go unchanged.
  if (hasBody || state.verb == "POST" || state.verb == "PUT") {
    if (hasBody && (state.verb == "GET" || state.verb == "HEAD")) {
      curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, state.verb.c_str());
    }
    if (hasBody && state.verb == "HEAD") {
      state.headWithBody = true;
      curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    }
    if (curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) !=
            CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, hasBody ? body.data() : "") != CURLE_OK) {
      return Outcome::kSendFailed;
    }
  }
  state.lastActivity = Clock::now();
  CURLcode result = curl_easy_perform(easy);
  return state.Classify(result, body.size());
}

std::string HttpTransport::TakeHeaderBlock() { return std::move(state_->headerBlock); }

std::string HttpTransport::TakeBody() { return std::move(state_->body); }

}  // namespace qoravel
