// `qoravel search` through the real executable against services that misbehave: every answer
// ends in the rows it holds or in the no-match message, with a clean exit, within the time-outs
// and in bounded memory.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>

#include "qoravel_run.h"
#include "song_answers.h"
#include "testing/loopback_server.h"
#include "testing/raw_http_server.h"
#include "testing/temp_dir.h"

namespace qoravel::hostile {
namespace {

using qoravel::testing::HttpReply;
using qoravel::testing::LoopbackServer;
using qoravel::testing::RawHttpServer;
using qoravel::testing::RecordedRequest;
using qoravel::testing::ScriptedReply;
using qoravel::testing::TempDir;

constexpr char kKeyword[] = "林沐川";
constexpr std::int64_t kMegabyte = 1024 * 1024;

const Song kSong{};  // the song every well-formed answer below carries
const Song kOtherSong{.name = "雨落青石巷", .singer = "白露", .length = "03:48"};

std::string ServiceLine(int port) {
  return "服务：127.0.0.1:" + std::to_string(port) + "（--host）";
}

// Bytes from a fixed seed, NUL bytes included or left out.
std::string Garbage(std::size_t size, bool withNul) {
  std::mt19937 bytes(20240601);
  std::string garbage(size, '\0');
  for (char& c : garbage) {
    do {
      c = static_cast<char>(bytes() & 0xFF);
    } while (!withNul && c == '\0');
  }
  return garbage;
}

std::string Ok(const std::string& body, const std::string& headerLines = "") {
  return HttpReply("HTTP/1.1 200 OK", "Content-Type: application/json\r\n" + headerLines, body);
}

std::string Redirect(const std::string& to) {
  return HttpReply("HTTP/1.1 302 Found", "Location: " + to + "\r\n", "");
}

// The path of a request, from its request line.
std::string PathOf(const RecordedRequest& request) {
  const std::string line = request.RequestLine();
  const std::size_t start = line.find(' ') + 1;
  return line.substr(start, line.find(' ', start) - start);
}

struct Outcome {
  int exitStatus;
  std::string rows;     // stdout, exactly
  std::string message;  // the message line after the service line; empty for none
};

const Outcome kFound{0, SongRow(kSong), ""};
const Outcome kNothing{1, "", kNothingMatched};

// Runs a search against a host and checks how it ended; the working folder must stay empty.
void ExpectSearch(int port, const Outcome& expected, const RunLimits& limits = {}) {
  TempDir workingFolder;
  const RunResult run =
      RunQoravel({"search", kKeyword, "--host", "127.0.0.1:" + std::to_string(port)},
                 workingFolder.path(), limits);
  ASSERT_TRUE(run.EndedByItself()) << run.Describe();
  EXPECT_EQ(run.exitStatus, expected.exitStatus) << run.Describe();
  EXPECT_EQ(run.out, expected.rows) << run.Describe();
  std::vector<std::string> lines{ServiceLine(port)};
  if (!expected.message.empty()) lines.push_back(expected.message);
  EXPECT_EQ(run.ErrLines(), lines) << run.Describe();
  EXPECT_TRUE(std::filesystem::is_empty(workingFolder.path()));
}

struct ReplyCase {
  const char* what;
  std::function<std::string(const RecordedRequest&)> reply;
  Outcome expected;
};

void RunReplyCases(const std::vector<ReplyCase>& cases) {
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.what);
    RawHttpServer service(
        [&c](const RecordedRequest& request) { return ScriptedReply{.bytes = c.reply(request)}; });
    ExpectSearch(service.port(), c.expected);
  }
}

TEST(SearchHostileTest, GarbageAndBrokenTextEndInRowsOrTheNoMatchMessage) {
  const std::string record = SongRecord(kSong);
  const std::string garbage = Garbage(64 * 1024, /*withNul=*/false);
  const std::vector<ReplyCase> cases = {
      {"binary garbage", [](auto&) { return Ok(Garbage(64 * 1024, true)); }, kNothing},
      {"garbage around a record", [&](auto&) { return Ok(garbage + SongAnswer(record) + garbage); },
       kFound},
      // The page text ends at its first NUL byte, so a record behind one is never seen.
      {"a NUL byte before the record",
       [&](auto&) { return Ok(std::string("[\0", 2) + SongAnswer(record)); }, kNothing},
      {"a NUL byte inside the record",
       [&](auto&) { return Ok(SongAnswer(SongRecord({.name = std::string("北\0岸", 7)}))); },
       kNothing},
      {"a sequence cut short at the end of the answer",
       [&](auto&) { return Ok(SongAnswer(record) + "\xE6\x9E"); }, kFound},
      // A malformed sequence becomes one "?" per bad piece, and "?" in a song name a blank.
      {"malformed sequences inside the values",
       [](auto&) {
         return Ok(SongAnswer(SongRecord({.name = "\xFF\xFE北岸", .singer = "林\xE6\x9C"})));
       },
       {0, SongRow({.name = "  北岸", .singer = "林?"}), ""}},
      {"surrogates and overlong forms",
       [](auto&) {
         return Ok(SongAnswer(SongRecord({.name = "\xED\xA0\x80", .singer = "\xC0\xAF"})));
       },
       {0, SongRow({.name = "   ", .singer = "??"}), ""}},
      {"an answer that is not text at all but holds a record in its first bytes",
       [&](auto&) { return Ok(SongAnswer(record) + Garbage(64 * 1024, true)); }, kFound},
      {"a charset no decoder knows",
       [&](auto&) { return Ok("<meta x charset=no-such-charset>" + SongAnswer(record)); },
       kNothing},
      {"an empty answer", [](auto&) { return Ok(""); }, kNothing},
      // The status is not looked at: an error page that holds records still fills the list.
      {"an error status with records",
       [&](auto&) {
         return HttpReply("HTTP/1.1 500 Internal Server Error", "", SongAnswer(record));
       },
       kFound},
  };
  RunReplyCases(cases);
}

TEST(SearchHostileTest, AnswersCutShortEndInTheRowsThatArrived) {
  const std::string answer = SongAnswer(SongRecord(kSong) + "," + SongRecord(kOtherSong));
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(answer.size()) +
                           "\r\nConnection: close\r\n\r\n";
  const std::size_t secondRecord = answer.find(R"({"SongName":"雨落)");
  const std::vector<ReplyCase> cases = {
      {"closed before the status line", [](auto&) { return std::string(); }, kNothing},
      {"closed inside the status line", [](auto&) { return std::string("HTTP/1.1 20"); }, kNothing},
      {"closed inside the headers", [&](auto&) { return head.substr(0, 30); }, kNothing},
      {"closed after the headers", [&](auto&) { return head; }, kNothing},
      // A body that breaks off is read as far as it came.
      {"closed inside the second record",
       [&](auto&) { return head + answer.substr(0, secondRecord + 40); }, kFound},
      {"no status line at all", [&](auto&) { return answer; }, kNothing},
      // A length that no number holds is no length: the body runs to the end of the connection.
      {"a stated length beyond any number",
       [&](auto&) {
         return "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n" + answer;
       },
       {0, SongRow(kSong) + SongRow(kOtherSong), ""}},
  };
  RunReplyCases(cases);
}

TEST(SearchHostileTest, HugeHeadersAndCookiesAndRedirectLoops) {
  const std::string answer = SongAnswer(SongRecord(kSong));
  std::string cookies;
  for (int i = 0; i < 3000; ++i) {
    cookies += "Set-Cookie: c" + std::to_string(i) + "=" + std::to_string(i * 7) + "; Path=/\r\n";
  }
  std::string manyLines;
  while (manyLines.size() < static_cast<std::size_t>(kMegabyte)) {
    manyLines +=
        "X-Filler-" + std::to_string(manyLines.size()) + ": " + std::string(200, 'f') + "\r\n";
  }
  // Follows /hop/1 .. /hop/N, then answers.
  auto hops = [&answer](int last) {
    return [&answer, last](const RecordedRequest& request) {
      const std::string path = PathOf(request);
      const int hop = path.rfind("/hop/", 0) == 0 ? std::stoi(path.substr(5)) : 0;
      return hop == last ? Ok(answer) : Redirect("/hop/" + std::to_string(hop + 1));
    };
  };
  const std::vector<ReplyCase> cases = {
      {"3000 Set-Cookie lines", [&](auto&) { return Ok(answer, cookies); }, kFound},
      {"a header line of 1 MB",
       [&](auto&) { return Ok(answer, "X-Big: " + std::string(kMegabyte, 'b') + "\r\n"); },
       kNothing},
      {"1 MB of header lines", [&](auto&) { return Ok(answer, manyLines); }, kNothing},
      {"a redirect to itself", [](auto&) { return Redirect("/loop"); }, kNothing},
      {"ten redirects, as many as are followed", hops(10), kFound},
      {"eleven redirects", hops(11), kNothing},
      {"a redirect to a local file", [](auto&) { return Redirect("file:///etc/passwd"); },
       kNothing},
  };
  RunReplyCases(cases);
}

TEST(SearchHostileTest, AnAnswerOf100MegabytesIsReadWhole) {
  // The record stands behind 100 MB of one long value, so the whole answer must be read.
  auto body = std::make_shared<std::string>(R"({"pad":")");
  body->append(100 * kMegabyte, 'x');
  body->append("\",\"list\":[" + SongRecord(kSong) + "]}");
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body->size()) +
                           "\r\nConnection: close\r\n\r\n";
  RawHttpServer service(
      [&](const RecordedRequest&) { return ScriptedReply{.bytes = head, .bulk = body}; });
  TempDir workingFolder;
  const RunResult run =
      RunQoravel({"search", kKeyword, "--host", "127.0.0.1:" + std::to_string(service.port())},
                 workingFolder.path());
  ASSERT_TRUE(run.EndedByItself()) << run.Describe();
  EXPECT_EQ(run.exitStatus, 0) << run.Describe();
  EXPECT_EQ(run.out, SongRow(kSong));
  RecordProperty("peak_resident_MB", std::to_string(run.peakResidentBytes / kMegabyte));
  // The answer, its converted copy and the pattern's subject: a few times its size, not more.
  if (!SanitizedBuild()) {
    EXPECT_LT(run.peakResidentBytes, 1024 * kMegabyte) << run.Describe();
  }
}

TEST(SearchHostileTest, AnAnswerThatNeverEndsIsCutAndMemoryStaysBounded) {
  std::atomic<bool> stopping{false};
  LoopbackServer service;
  service.server().Get(R"(/music/search/wy/1)",
                       [&](const httplib::Request&, httplib::Response& response) {
                         response.set_chunked_content_provider(
                             "application/json", [&stopping](std::size_t, httplib::DataSink& sink) {
                               static const std::string kPiece(kMegabyte, 'x');
                               return !stopping && sink.write(kPiece.data(), kPiece.size());
                             });
                       });
  service.Start();
  TempDir workingFolder;
  RunLimits limits;
  limits.residentBytes = (SanitizedBuild() ? 8 : 3) * 1024 * kMegabyte;
  const RunResult run =
      RunQoravel({"search", kKeyword, "--host", service.host()}, workingFolder.path(), limits);
  stopping = true;
  ASSERT_TRUE(run.EndedByItself()) << run.Describe();
  EXPECT_EQ(run.exitStatus, 1) << run.Describe();
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.LastErrLine(), kNothingMatched) << run.Describe();
  RecordProperty("peak_resident_MB", std::to_string(run.peakResidentBytes / kMegabyte));
  if (!SanitizedBuild()) {
    EXPECT_LT(run.peakResidentBytes, 2048 * kMegabyte) << run.Describe();
  }
}

// The one slow case: the engine's 30 s time-out is what ends it.
TEST(SearchHostileTest, AServerThatNeverAnswersEndsAtTheTimeOut) {
  RawHttpServer service(
      [](const RecordedRequest&) { return ScriptedReply{.then = ScriptedReply::Then::kStall}; });
  RunLimits limits;
  limits.wallTime = std::chrono::seconds(90);
  ExpectSearch(service.port(), kNothing, limits);
}

}  // namespace
}  // namespace qoravel::hostile
