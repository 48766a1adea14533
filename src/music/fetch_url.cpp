#include "music/fetch_url.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "textcore/codepage.h"

namespace qoravel {

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr long kMaxRedirects = 20;
constexpr long kConnectTimeoutSeconds = 60;
// Body pieces of up to 100 KB: as many bytes per read and write as curl's own tool moves.
constexpr long kReceiveBufferBytes = 102400;
// A download that brings less than one byte a second for a minute is given up, so that a
// silent server cannot hold a worker forever.
constexpr long kStallSeconds = 60;

// The one share handle of the process: DNS answers and TLS sessions are shared between the
// fetches of all workers, each kind under its own lock. Opened on first use and kept until the
// process ends, since workers may still fetch while it exits.
class SharedFetchHandle {
 public:
  SharedFetchHandle() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    share_ = curl_share_init();
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }

  CURLSH* handle() const { return share_; }

  static SharedFetchHandle& Instance() {
    static SharedFetchHandle* instance = new SharedFetchHandle;  // never destroyed, see above
    return *instance;
  }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SharedFetchHandle*>(self)->locks_[data].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<SharedFetchHandle*>(self)->locks_[data].unlock();
  }

  CURLSH* share_ = nullptr;
  std::mutex locks_[CURL_LOCK_DATA_LAST];
};

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Transfer {
  const FetchSink* sink;
  const FetchProgress* progress;
  std::int64_t bytes = 0;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t length = size * count;
  if (length > 0 && !(*transfer->sink)(data, length)) return 0;  // stops with a write error
  transfer->bytes += static_cast<std::int64_t>(length);
  return length;
}

int OnProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  (*transfer->progress)(received, total > 0 ? total : -1);
  return 0;
}

}  // namespace

FetchResult FetchUrlTo(const Text& address, const FetchSink& sink, const FetchProgress& progress) {
  FetchResult result;
  if (address.empty()) return result;
  CURLSH* share = SharedFetchHandle::Instance().handle();  // also sets libcurl up once
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return result;
  std::unique_ptr<curl_slist, HeaderListDeleter> headers(curl_slist_append(nullptr, "Accept: */*"));
  const std::string url = GbkToUtf8(address);
  Transfer transfer{&sink, &progress};

  CURL* handle = easy.get();
  curl_easy_setopt(handle, CURLOPT_SHARE, share);
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  if (progress) {
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  }

  const CURLcode code = curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
  result.complete = code == CURLE_OK;
  result.bytes = transfer.bytes;
  return result;
}

ByteBuffer FetchUrl(const Text& address) {
  ByteBuffer body;
  FetchSink collect = [&body](const char* data, std::size_t size) {
    body.insert(body.end(), data, data + size);
    return true;
  };
  (void)FetchUrlTo(address, collect);
  return body;
}

}  // namespace qoravel
