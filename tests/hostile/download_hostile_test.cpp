// `qoravel download` through the real executable against song servers that misbehave, disks that
// fill up or refuse writes, and names no file should carry: each ends in "下载成功" or "下载失败"
// with its exit status, writes nothing outside the save folder, loses no existing file and leaves
// no partial file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "folder_tree.h"
#include "qoravel_run.h"
#include "song_answers.h"
#include "testing/raw_http_server.h"
#include "testing/temp_dir.h"
#include "tmpfs_mount.h"

namespace qoravel::hostile {
namespace {

namespace fs = std::filesystem;
using qoravel::testing::HttpReply;
using qoravel::testing::RawHttpServer;
using qoravel::testing::RecordedRequest;
using qoravel::testing::ScriptedReply;
using qoravel::testing::TempDir;

constexpr std::int64_t kMegabyte = 1024 * 1024;
const std::string kSongFile = "林沐川 - 北岸的灯.mp3";  // what the default song is saved as
const std::string kOldSong = "the song saved by an earlier download";

// A song body: starts like an audio file, then bytes from a fixed pattern.
std::string SongBytes(std::size_t size) {
  std::string bytes = "ID3";
  for (std::size_t i = bytes.size(); i < size; ++i) bytes += static_cast<char>((i * 131) % 251);
  return bytes.substr(0, size);
}

// The folders of one download: the save folder, a sibling holding a file that no download may
// touch, and the program's working folder.
class DownloadHostileTest : public ::testing::Test {
 protected:
  DownloadHostileTest() {
    fs::create_directories(songs());
    fs::create_directories(workingFolder());
    root_.WriteFile("outside/victim.txt", "not for downloads");
  }

  fs::path songs() const { return root_.path() / "songs"; }
  fs::path outside() const { return root_.path() / "outside"; }
  fs::path workingFolder() const { return root_.path() / "cwd"; }

  // Answers the search with one record whose Flac address (and singer and name) the caller
  // gives, and every other request with the song reply.
  struct Services {
    std::unique_ptr<RawHttpServer> files;
    std::unique_ptr<RawHttpServer> search;
  };
  static Services Serve(std::function<std::string(const RecordedRequest&)> songReply,
                        Song song = {}) {
    Services services;
    services.files = std::make_unique<RawHttpServer>([songReply](const RecordedRequest& request) {
      return ScriptedReply{.bytes = songReply(request)};
    });
    if (song.flac.empty()) song.flac = services.files->Url("/song.mp3");
    const std::string answer = SongAnswer(SongRecord(song));
    services.search = std::make_unique<RawHttpServer>([answer](const RecordedRequest&) {
      return ScriptedReply{.bytes = HttpReply("HTTP/1.1 200 OK", "", answer)};
    });
    return services;
  }

  RunResult Download(const Services& services, const fs::path& saveFolder,
                     const RunLimits& limits = {}) const {
    return RunQoravel(
        {"download", "林沐川", "--row", "1", "--quality", "flac", "--to", saveFolder.string(),
         "--host", "127.0.0.1:" + std::to_string(services.search->port())},
        workingFolder(), limits);
  }

  // Everything below the test's root folder: the save folder, the sibling and the working folder.
  FolderTree Everything() const { return ReadTree(root_.path()); }

  // Checks how a run ended and what it left below the root: exactly the expected tree.
  void ExpectEnd(const RunResult& run, bool succeeded, const FolderTree& before,
                 const FolderTree& expected) const {
    ASSERT_TRUE(run.EndedByItself()) << run.Describe();
    EXPECT_EQ(run.exitStatus, succeeded ? 0 : 1) << run.Describe();
    EXPECT_EQ(run.LastErrLine(), succeeded ? kDownloadSucceeded : kDownloadFailed)
        << run.Describe();
    EXPECT_EQ(run.out, "");
    const FolderTree now = Everything();
    EXPECT_EQ(now, expected) << "before -> now:\n" << TreeDifference(before, now);
  }

  // A failed download leaves everything exactly as it was; a successful one adds or replaces
  // one file (a path below the root) with the song's bytes.
  void ExpectFailed(const RunResult& run, const FolderTree& before) const {
    ExpectEnd(run, false, before, before);
  }
  void ExpectSaved(const RunResult& run, const FolderTree& before, const std::string& file,
                   const std::string& bytes) const {
    FolderTree expected = before;
    expected[file] = "file:" + bytes;
    ExpectEnd(run, true, before, expected);
  }

  TempDir root_;
};

struct CutCase {
  const char* what;
  std::string reply;
  bool succeeds;
  std::string saved{};  // the file's bytes when the download succeeds
};

TEST_F(DownloadHostileTest, CutsAtEveryPhaseFailAndOnlyWholeSongsReplaceTheEarlierFile) {
  const std::string body = SongBytes(1000);
  const std::string sized = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
  const std::string unsized = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n";
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::string firstChunk = "1f4\r\n" + body.substr(0, 500) + "\r\n";
  const std::string secondChunk = "1f4\r\n" + body.substr(500) + "\r\n";
  const std::vector<CutCase> cases = {
      {"before the status line", "", false},
      {"inside the status line", "HTTP/1.1 20", false},
      {"inside the headers", sized.substr(0, 25), false},
      {"between the headers", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n", false},
      {"right after the headers, length stated", sized, false},
      {"right after the headers, no length stated", unsized, false},
      {"inside the body, length stated", sized + body.substr(0, 500), false},
      {"one byte short of the stated length", sized + body.substr(0, 999), false},
      // Without a stated length the end of the connection is the end of the body: nothing tells
      // a cut from a whole song, so what arrived is the song.
      {"inside the body, no length stated", unsized + body.substr(0, 500), true,
       body.substr(0, 500)},
      {"chunked, right after the headers", chunked, false},
      {"chunked, inside a chunk size", chunked + "1f", false},
      {"chunked, inside a chunk", chunked + firstChunk.substr(0, 200), false},
      {"chunked, between chunks", chunked + firstChunk, false},
      {"chunked, before the last chunk's end", chunked + firstChunk + secondChunk + "0\r\n", false},
      {"chunked, whole", chunked + firstChunk + secondChunk + "0\r\n\r\n", true, body},
      {"whole, length stated", sized + body, true, body},
      {"more bytes than stated: the stated length is the song", sized + body + "trailing junk",
       true, body},
      {"an error status with a whole body", HttpReply("HTTP/1.1 503 Service Unavailable", "", body),
       false},
      {"a negative length", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n" + body, false},
      {"no status line at all", body, false},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.what);
    root_.WriteFile("songs/" + kSongFile, kOldSong);
    const FolderTree before = Everything();
    const Services services = Serve([&c](const RecordedRequest&) { return c.reply; });
    const RunResult run = Download(services, songs());
    if (c.succeeds) {
      ExpectSaved(run, before, "songs/" + kSongFile, c.saved);
    } else {
      ExpectFailed(run, before);
    }
  }
}

TEST_F(DownloadHostileTest, AddressesAndRedirectsThatLeadAwayFail) {
  struct AddressCase {
    const char* what;
    std::string address;  // empty: the files server's own
    std::function<std::string(const RecordedRequest&)> reply;
  };
  auto redirect = [](const std::string& to) {
    return [to](const RecordedRequest&) {
      return HttpReply("HTTP/1.1 302 Found", "Location: " + to + "\r\n", "");
    };
  };
  const std::vector<AddressCase> cases = {
      {"a redirect to itself", "", redirect("/song.mp3")},
      {"a redirect to a local file", "", redirect("file:///etc/passwd")},
      {"a redirect to another scheme", "", redirect("ftp://127.0.0.1/song.mp3")},
      {"a local file as the address", "file:///etc/passwd", redirect("/never")},
      {"an address of no scheme", "etc/passwd", redirect("/never")},
  };
  for (const AddressCase& c : cases) {
    SCOPED_TRACE(c.what);
    root_.WriteFile("songs/" + kSongFile, kOldSong);
    const FolderTree before = Everything();
    const Services services = Serve(c.reply, {.flac = c.address});
    ExpectFailed(Download(services, songs()), before);
  }
}

// Singer and song names straight from the answer, as the file name's pieces.
TEST_F(DownloadHostileTest, NamesThatNoFileMayCarryFailAndTheRestStayInside) {
  const std::string body = SongBytes(3000);
  const std::string fits(255 - std::string("林沐川 - .mp3").size(), 'n');
  struct NameCase {
    const char* what;
    std::string singer;
    std::string name;
    std::string file;      // the file saved, or empty when the download must fail
    std::string folder{};  // a folder the save folder holds before the download
  };
  const std::vector<NameCase> cases = {
      {"a separator in the singer", "林沐川/白露", "北岸的灯", ""},
      {"a way up and out in the name", "林沐川", "../../outside/victim.txt", ""},
      {"a way up and out in the singer", "..", "/北岸的灯", ""},
      {"a singer one folder up", "../outside", "x", ""},
      {"a way out through a folder the save folder holds", "林沐川", "../../../outside/evil", "",
       "林沐川 - .."},
      {"a name that is only a separator", "/", "/", ""},
      {"dots alone stay inside", "..", "..", ".. - ...mp3"},
      {"an empty singer and name", "", "", " - .mp3"},
      {"characters other systems refuse", R"(a:b*c<d>e|f\\g)", "x", R"(a:b*c<d>e|f\\g - x.mp3)"},
      {"a NUL written as an escape stays as written", "林沐川", R"(\u0000)",
       R"(林沐川 - \u0000.mp3)"},
      {"control characters", "林沐川", "\x01\x1b[31m\x7f", "林沐川 - \x01\x1b[31m\x7f.mp3"},
      {"a name of exactly 255 bytes", "林沐川", fits, "林沐川 - " + fits + ".mp3"},
      {"a name of 256 bytes", "林沐川", fits + "n", ""},
      {"a name far beyond 255 bytes", "林沐川", std::string(300, 'n'), ""},
      {"a name of 100 Chinese characters", "林沐川",
       [] {
         std::string name;
         for (int i = 0; i < 100; ++i) name += "歌";
         return name;
       }(),
       ""},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : fs::directory_iterator(songs())) fs::remove_all(entry.path());
    if (!c.folder.empty()) fs::create_directory(songs() / c.folder);
    const FolderTree before = Everything();
    const Services services =
        Serve([&body](const RecordedRequest&) { return HttpReply("HTTP/1.1 200 OK", "", body); },
              {.name = c.name, .singer = c.singer});
    const RunResult run = Download(services, songs());
    if (c.file.empty()) {
      ExpectFailed(run, before);
    } else {
      ExpectSaved(run, before, "songs/" + c.file, body);
    }
  }
}

TEST_F(DownloadHostileTest, ANulByteInTheAnswerEndsItBeforeAnyDownload) {
  const Services services =
      Serve([](const RecordedRequest&) { return HttpReply("HTTP/1.1 200 OK", "", "x"); },
            {.name = std::string("北岸\0的灯", 13)});
  const RunResult run = Download(services, songs());
  ASSERT_TRUE(run.EndedByItself()) << run.Describe();
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.LastErrLine(), kNothingMatched);
  EXPECT_TRUE(fs::is_empty(songs()));
  EXPECT_TRUE(services.files->Requests().empty()) << "a download started";
}

// An existing file under the song's name that is a link out of the save folder: the download
// replaces the link, never what it points at.
TEST_F(DownloadHostileTest, ALinkUnderTheSongsNameIsReplacedNotFollowed) {
  fs::create_symlink(outside() / "victim.txt", songs() / kSongFile);
  const FolderTree before = Everything();
  const std::string body = SongBytes(4000);
  const Services services =
      Serve([&body](const RecordedRequest&) { return HttpReply("HTTP/1.1 200 OK", "", body); });
  ExpectSaved(Download(services, songs()), before, "songs/" + kSongFile, body);
}

TEST_F(DownloadHostileTest, SaveFoldersWithChineseAndUnspeakableNames) {
  const std::string body = SongBytes(5000);
  const Services services =
      Serve([&body](const RecordedRequest&) { return HttpReply("HTTP/1.1 200 OK", "", body); });
  {
    const fs::path chinese = songs() / "我的 音乐" / "林沐川（精选）·二〇二四";
    fs::create_directories(chinese);
    const FolderTree before = Everything();
    ExpectSaved(Download(services, chinese), before,
                "songs/我的 音乐/林沐川（精选）·二〇二四/" + kSongFile, body);
  }
  {
    // A character code page 936 lacks cannot be named inside the program: the folder is refused
    // before anything is fetched, even when a folder named "?" stands where it would turn to.
    const fs::path unspeakable = songs() / "🎵";
    fs::create_directories(unspeakable);
    fs::create_directories(songs() / "?");
    const FolderTree before = Everything();
    const RunResult run = Download(services, unspeakable);
    ASSERT_TRUE(run.EndedByItself()) << run.Describe();
    EXPECT_EQ(run.exitStatus, 2) << run.Describe();
    EXPECT_EQ(Everything(), before);
  }
}

// The disk fills up in the middle of the song: on a small tmpfs where this process may mount
// one, and with a file-size limit everywhere.
TEST_F(DownloadHostileTest, AFullDiskFailsAndLeavesNothingBehind) {
  const std::string body = SongBytes(4 * kMegabyte);
  const std::string sized = HttpReply("HTTP/1.1 200 OK", "", body);
  const std::string unsized = "HTTP/1.0 200 OK\r\n\r\n" + body;
  std::unique_ptr<TmpfsMount> disk = TmpfsMount::Mount(songs(), kMegabyte);
  for (const std::string& reply : {sized, unsized}) {
    SCOPED_TRACE(reply == sized ? "length stated" : "no length stated");
    root_.WriteFile("songs/" + kSongFile, kOldSong);
    const FolderTree before = Everything();
    const Services services = Serve([&reply](const RecordedRequest&) { return reply; });
    if (disk) {
      const std::int64_t used = disk->UsedBytes();
      ExpectFailed(Download(services, songs()), before);
      EXPECT_EQ(disk->UsedBytes(), used);
    }
    RunLimits limits;
    limits.fileSizeBytes = kMegabyte;
    ExpectFailed(Download(services, songs(), limits), before);
  }
  if (!disk) GTEST_SKIP() << "no tmpfs: only the file-size limit was tried";
}

TEST_F(DownloadHostileTest, AFullDiskWithNoRoomLeftAtAll) {
  std::unique_ptr<TmpfsMount> disk = TmpfsMount::Mount(songs(), 256 * 1024);
  if (!disk) GTEST_SKIP() << "this process may not mount a tmpfs";
  root_.WriteFile("songs/" + kSongFile, kOldSong);
  root_.WriteFile("songs/filler", std::string(512 * 1024, 'f'));  // cut short by the full disk
  const FolderTree before = Everything();
  const Services services =
      Serve([](const RecordedRequest&) { return HttpReply("HTTP/1.1 200 OK", "", SongBytes(10)); });
  ExpectFailed(Download(services, songs()), before);
}

TEST_F(DownloadHostileTest, AReadOnlySaveFolderFailsAndKeepsItsFiles) {
  std::unique_ptr<TmpfsMount> disk;
  if (::geteuid() == 0) {
    // Permission bits do not stop root: only a read-only file system does.
    disk = TmpfsMount::Mount(songs(), kMegabyte);
    if (!disk) GTEST_SKIP() << "root, but no tmpfs to make read-only";
    root_.WriteFile("songs/" + kSongFile, kOldSong);
    ASSERT_TRUE(disk->MakeReadOnly());
  } else {
    root_.WriteFile("songs/" + kSongFile, kOldSong);
    fs::permissions(songs(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  const FolderTree before = Everything();
  const Services services = Serve(
      [](const RecordedRequest&) { return HttpReply("HTTP/1.1 200 OK", "", SongBytes(100)); });
  ExpectFailed(Download(services, songs()), before);
  if (!disk) fs::permissions(songs(), fs::perms::owner_all, fs::perm_options::add);  // for removal
}

}  // namespace
}  // namespace qoravel::hostile
