#include "music/demo_service.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <chrono>

#include "music/demo_audio.h"
#include "music/demo_catalogue.h"

namespace qoravel {

namespace {

constexpr char kLoopback[] = "127.0.0.1";
constexpr char kSearchPath[] = "/music/search/wy/1";
constexpr char kSign[] = "7e2d49b1c08f365ad4e91b7c2f06a835";
constexpr char kFilePath[] = R"(/music/file/(\d+)/(flac|sq|hq|lq)\.mp3)";
constexpr auto kStartWait = std::chrono::seconds(5);
constexpr int kAudioFrames = 115;  // about three seconds

// Higher qualities are larger files: each quality has its own bit rate.
int Kilobits(Quality quality) {
  switch (quality) {
    case Quality::kFlac:
      return 320;
    case Quality::kSq:
      return 256;
    case Quality::kHq:
      return 192;
    case Quality::kLq:
      return 128;
  }
  return 128;
}

std::string JsonString(std::string_view value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool Matches(const DemoSong& song, const std::string& keyword) {
  if (keyword.empty()) return true;
  const std::string sought = AsciiLower(keyword);
  for (std::string_view field : {song.name, song.artist, song.album}) {
    if (AsciiLower(field).find(sought) != std::string::npos) return true;
  }
  return false;
}

std::string SongAddress(const DemoSong& song, Quality quality, const std::string& host) {
  if (!HasQuality(song, quality)) return {};
  return "http://" + host + "/music/file/" + std::to_string(song.id) + "/" +
         std::string(QualityName(quality)) + ".mp3";
}

std::string SongRecord(const DemoSong& song, const std::string& host) {
  return "{\"SongId\":" + std::to_string(song.id) + ",\"SongName\":" + JsonString(song.name) +
         ",\"Artist\":" + JsonString(song.artist) + ",\"Album\":" + JsonString(song.album) +
         ",\"Length\":" + JsonString(song.length) +
         ",\"FlacUrl\":" + JsonString(SongAddress(song, Quality::kFlac, host)) +
         ",\"SqUrl\":" + JsonString(SongAddress(song, Quality::kSq, host)) +
         ",\"HqUrl\":" + JsonString(SongAddress(song, Quality::kHq, host)) +
         ",\"LqUrl\":" + JsonString(SongAddress(song, Quality::kLq, host)) + "}";
}

void AnswerSearch(const httplib::Request& request, httplib::Response& response, int port) {
  if (request.get_param_value("sign") != kSign) {
    response.status = 403;
    response.set_content("{\"code\":403,\"msg\":\"bad sign\"}", "application/json");
    return;
  }
  if (request.get_param_value("format") != "json") {
    response.status = 404;
    response.set_content("{\"code\":404,\"msg\":\"unknown format\"}", "application/json");
    return;
  }
  std::string host = request.get_header_value("Host");
  if (host.empty()) host = std::string(kLoopback) + ":" + std::to_string(port);
  response.set_content(DemoSearchAnswer(request.get_param_value("keyword"), host),
                       "application/json");
}

void AnswerFile(const httplib::Request& request, httplib::Response& response) {
  const DemoSong* song = FindDemoSong(std::atoi(request.matches[1].str().c_str()));
  const std::string wanted = request.matches[2].str();
  for (Quality quality : kQualities) {
    if (song != nullptr && QualityName(quality) == wanted && HasQuality(*song, quality)) {
      response.set_content(SilentMp3({Kilobits(quality), kAudioFrames}, song->name, song->artist),
                           "audio/mpeg");
      return;
    }
  }
  response.status = 404;
}

}  // namespace

std::string DemoSearchAnswer(const std::string& keyword, const std::string& host) {
  std::string records;
  int total = 0;
  for (const DemoSong& song : DemoCatalogue()) {
    if (!Matches(song, keyword)) continue;
    if (total++ > 0) records += ",";
    records += SongRecord(song, host);
  }
  return "{\"code\":200,\"msg\":\"ok\",\"data\":{\"total\":" + std::to_string(total) +
         ",\"list\":[" + records + "]}}";
}

DemoService::DemoService() = default;

DemoService::~DemoService() { Stop(); }

bool DemoService::Start(int port) {
  Stop();
  server_ = std::make_unique<httplib::Server>();
  server_->Get(kSearchPath, [this](const httplib::Request& request, httplib::Response& response) {
    AnswerSearch(request, response, port_);
  });
  server_->Get(kFilePath, AnswerFile);
  // Address reuse only: the library's default also sets port sharing, which would let a second
  // service start silently on a port that is already taken.
  server_->set_socket_options([](int socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  if (port == 0) {
    port_ = server_->bind_to_any_port(kLoopback);
  } else {
    port_ = server_->bind_to_port(kLoopback, port) ? port : -1;
  }
  if (port_ <= 0) {
    server_.reset();
    port_ = 0;
    return false;
  }
  thread_ = std::thread([server = server_.get()] { server->listen_after_bind(); });
  // The server has no readiness signal of its own: wait until its loop runs.
  const auto deadline = std::chrono::steady_clock::now() + kStartWait;
  while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!server_->is_running()) {
    Stop();
    return false;
  }
  return true;
}

void DemoService::Stop() {
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  port_ = 0;
}

Text DemoService::host() const { return std::string(kLoopback) + ":" + std::to_string(port_); }

}  // namespace qoravel
