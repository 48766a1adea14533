// HttpRequest against a bare libcurl easy call and the curl tool, all on one loopback server in
// the same run: requests per second and latency of small answers, throughput of a 100 MB body.
// Usage: http_bench [requests] [body megabytes]
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
  double total = 0;
  for (double s : timing.seconds) total += s;
  std::printf("  %-34s %9.0f req/s   median %7.1f us   p90 %7.1f us\n", name,
              timing.seconds.size() / total, timing.Median() * 1e6, timing.Quantile(0.9) * 1e6);
}

void ReportThroughput(const char* name, const Timing& timing, double megabytes) {
  std::printf("  %-34s %9.0f MB/s   median %7.1f ms\n", name, megabytes / timing.Median(),
              timing.Median() * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int megabytes = argc > 2 ? std::atoi(argv[2]) : 100;
  constexpr int kBodyRuns = 7;

  auto big = std::make_shared<const std::string>(static_cast<size_t>(megabytes) << 20, 'x');
  const std::string smallReply = HttpReply("HTTP/1.1 200 OK", "Content-Type: application/json\r\n",
                                           R"({"code":200,"data":[]})");
  const std::string bigHead = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(big->size()) +
                              "\r\nConnection: close\r\n\r\n";
  RawHttpServer server([&](const RecordedRequest& request) {
    if (request.RequestLine().rfind("GET /big", 0) == 0) return ScriptedReply{bigHead, big};
    return ScriptedReply{smallReply};
  });
  const std::string smallUrl = server.Url("/small");
  const std::string bigUrl = server.Url("/big");
  curl_global_init(CURL_GLOBAL_DEFAULT);

  std::printf("Small answers, %d sequential requests each (new connection per request):\n",
              requests);
  for (int i = 0; i < 50; ++i) qoravel::HttpRequest(smallUrl);  // warm up both sides
  std::vector<Timing> small =
      TimeInTurn(requests, {[&] { qoravel::HttpRequest(smallUrl); }, [&] { BareCurl(smallUrl); }});
  ReportRequests("HttpRequest", small[0]);
  ReportRequests("bare libcurl easy call", small[1]);
  std::string urls;
  for (int i = 0; i < requests; ++i) urls += " " + smallUrl;
  double toolAll = RunShell("curl -s" + urls + " >/dev/null");
  std::printf("  %-34s %9.0f req/s   mean   %7.1f us\n", "curl tool, all in one process",
              requests / toolAll, toolAll / requests * 1e6);
  std::vector<Timing> toolEach =
      TimeInTurn(std::min(requests, 100), {[&] { RunShell("curl -s -o /dev/null " + smallUrl); }});
  ReportRequests("curl tool, one process each", toolEach[0]);
  std::printf("  per-request time, HttpRequest / bare libcurl: %.2fx (median)\n",
              small[0].Median() / small[1].Median());

  std::printf("Body of %d MB, median of %d runs:\n", megabytes, kBodyRuns);
  std::vector<Timing> body = TimeInTurn(
      kBodyRuns, {[&] {
                    if (qoravel::HttpRequest(bigUrl).size() != big->size())
                      std::fprintf(stderr, "short\n");
                  },
                  [&] { BareCurl(bigUrl); }, [&] { RunShell("curl -s -o /dev/null " + bigUrl); }});
  ReportThroughput("HttpRequest (text returned)", body[0], megabytes);
  ReportThroughput("bare libcurl easy call (in memory)", body[1], megabytes);
  ReportThroughput("curl -o /dev/null", body[2], megabytes);
  std::printf("  time, HttpRequest / curl -o /dev/null: %.2fx\n",
              body[0].Median() / body[2].Median());
  return 0;
}
