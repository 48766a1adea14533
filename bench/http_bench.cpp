// HttpRequest against a bare libcurl easy call and the curl tool, all on one loopback server (a
// process of its own) in the same run: requests per second and latency of small answers,
// throughput of a 100 MB body.
// Usage: http_bench [--figures=FILE] [requests] [body megabytes]
#include <curl/curl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "figure_file.h"
#include "http/http_request.h"
#include "testing/raw_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using qoravel::testing::HttpReply;
using qoravel::testing::RawHttpServer;
using qoravel::testing::RecordedRequest;
using qoravel::testing::ScriptedReply;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Timing {
  std::vector<double> seconds;  // one entry per run
  double Mean() const {
    double total = 0;
    for (double s : seconds) total += s;
    return total / static_cast<double>(seconds.size());
  }
  double Median() const {
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
  double Quantile(double q) const {
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(q * sorted.size()))];
  }
};

double TimeOnce(const std::function<void()>& run) {
  Clock::time_point start = Clock::now();
  run();
  return Seconds(Clock::now() - start);
}

// Runs the contenders in turn, round after round, so that they share the machine's moods.
std::vector<Timing> TimeInTurn(int rounds, const std::vector<std::function<void()>>& runs) {
  std::vector<Timing> timings(runs.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < runs.size(); ++i) timings[i].seconds.push_back(TimeOnce(runs[i]));
  }
  return timings;
}

size_t Collect(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

// The plain libcurl call a program would make: one easy handle, the body kept in memory.
std::string BareCurl(const std::string& url) {
  std::string body;
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(easy) != CURLE_OK) std::fprintf(stderr, "bare libcurl call failed\n");
  curl_easy_cleanup(easy);
  return body;
}

double RunShell(const std::string& command) {
  Clock::time_point start = Clock::now();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return Seconds(Clock::now() - start);
}

void ReportRequests(const char* name, const Timing& timing) {
  std::printf("  %-34s %9.0f req/s   median %7.1f us   p90 %7.1f us\n", name, 1 / timing.Mean(),
              timing.Median() * 1e6, timing.Quantile(0.9) * 1e6);
}

void ReportThroughput(const char* name, const Timing& timing, double megabytes) {
  std::printf("  %-34s %9.0f MB/s   median %7.1f ms\n", name, megabytes / timing.Median(),
              timing.Median() * 1e3);
}

// The loopback server in a process of its own, so that its threads do not share the clients'
// address space (thread stacks and page faults there would slow the in-process clients alone).
class ServerProcess {
 public:
  explicit ServerProcess(std::size_t bigBytes) {
    int portPipe[2], lifePipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(lifePipe) != 0) std::abort();
    child_ = ::fork();
    if (child_ == 0) {
      ::close(portPipe[0]);
      ::close(lifePipe[1]);
      Serve(bigBytes, portPipe[1], lifePipe[0]);
      ::_exit(0);
    }
    ::close(portPipe[1]);
    ::close(lifePipe[0]);
    life_ = lifePipe[1];
    if (::read(portPipe[0], &port_, sizeof port_) != sizeof port_) std::abort();
    ::close(portPipe[0]);
  }
  ~ServerProcess() {
    ::close(life_);
    ::waitpid(child_, nullptr, 0);
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  // In the child: serves small answers, and bigBytes on /big, until the parent closes the pipe.
  static void Serve(std::size_t bigBytes, int portOut, int lifeIn) {
    auto big = std::make_shared<const std::string>(bigBytes, 'x');
    const std::string smallReply = HttpReply(
        "HTTP/1.1 200 OK", "Content-Type: application/json\r\n", R"({"code":200,"data":[]})");
    const std::string bigHead = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bigBytes) +
                                "\r\nConnection: close\r\n\r\n";
    RawHttpServer server([&](const RecordedRequest& request) {
      if (request.RequestLine().rfind("GET /big", 0) == 0) return ScriptedReply{bigHead, big};
      return ScriptedReply{smallReply};
    });
    const int port = server.port();
    if (::write(portOut, &port, sizeof port) != sizeof port) std::abort();
    char ignored;
    while (::read(lifeIn, &ignored, 1) > 0) {
    }
  }

  pid_t child_ = -1;
  int life_ = -1;
  int port_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  qoravel::bench::FigureFile figures(argc, argv);
  const int requests = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int megabytes = argc > 2 ? std::atoi(argv[2]) : 100;
  constexpr int kBodyRuns = 7;

  const std::size_t bigBytes = static_cast<std::size_t>(megabytes) << 20;
  ServerProcess server(bigBytes);
  const std::string smallUrl = server.Url("/small");
  const std::string bigUrl = server.Url("/big");
  curl_global_init(CURL_GLOBAL_DEFAULT);

  std::printf("Small answers, %d sequential requests each (new connection per request):\n",
              requests);
  for (int i = 0; i < 50; ++i) qoravel::HttpRequest(smallUrl);  // warm up both sides
  // In slices, the curl tool's turn after each slice, so that all three share the machine's moods.
  constexpr int kSlices = 4;
  const int slice = std::max(1, requests / kSlices);
  std::string urls;
  for (int i = 0; i < slice; ++i) urls += " " + smallUrl;
  std::vector<Timing> small(2);
  double toolAll = 0;
  for (int done = 0; done < requests; done += slice) {
    std::vector<Timing> turn =
        TimeInTurn(slice, {[&] { qoravel::HttpRequest(smallUrl); }, [&] { BareCurl(smallUrl); }});
    for (int i = 0; i < 2; ++i) {
      small[i].seconds.insert(small[i].seconds.end(), turn[i].seconds.begin(),
                              turn[i].seconds.end());
    }
    toolAll += RunShell("curl -s" + urls + " >/dev/null");
  }
  const int toolRequests = static_cast<int>(small[0].seconds.size());
  ReportRequests("HttpRequest", small[0]);
  ReportRequests("bare libcurl easy call", small[1]);
  const std::string toolName = "curl tool, " + std::to_string(slice) + " URLs per process";
  std::printf("  %-34s %9.0f req/s   mean   %7.1f us\n", toolName.c_str(), toolRequests / toolAll,
              toolAll / toolRequests * 1e6);
  std::vector<Timing> toolEach =
      TimeInTurn(std::min(requests, 100), {[&] { RunShell("curl -s -o /dev/null " + smallUrl); }});
  ReportRequests("curl tool, one process each", toolEach[0]);
  std::printf("  per-request time, HttpRequest / bare libcurl: %.2fx (median)\n",
              small[0].Median() / small[1].Median());
  figures.Add("http.small.httprequest.median_us", small[0].Median() * 1e6);
  figures.Add("http.small.libcurl.median_us", small[1].Median() * 1e6);
  figures.Add("http.small.httprequest.mean_us", small[0].Mean() * 1e6);
  figures.Add("http.small.libcurl.mean_us", small[1].Mean() * 1e6);
  figures.Add("http.small.curl_tool_all.mean_us", toolAll / toolRequests * 1e6);
  figures.Add("http.small.curl_tool_each.median_us", toolEach[0].Median() * 1e6);
  figures.Add("http.small.requests", requests);

  std::printf("Body of %d MB, median of %d runs:\n", megabytes, kBodyRuns);
  std::vector<Timing> body = TimeInTurn(
      kBodyRuns, {[&] {
                    if (qoravel::HttpRequest(bigUrl).size() != bigBytes)
                      std::fprintf(stderr, "short\n");
                  },
                  [&] { BareCurl(bigUrl); }, [&] { RunShell("curl -s -o /dev/null " + bigUrl); }});
  ReportThroughput("HttpRequest (text returned)", body[0], megabytes);
  ReportThroughput("bare libcurl easy call (in memory)", body[1], megabytes);
  ReportThroughput("curl -o /dev/null", body[2], megabytes);
  std::printf("  time, HttpRequest / curl -o /dev/null: %.2fx\n",
              body[0].Median() / body[2].Median());
  figures.Add("http.body.httprequest.ms", body[0].Median() * 1e3);
  figures.Add("http.body.libcurl.ms", body[1].Median() * 1e3);
  figures.Add("http.body.curl_o.ms", body[2].Median() * 1e3);
  figures.Add("http.body.megabytes", megabytes);
  return 0;
}
