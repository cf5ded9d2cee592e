// Downloads without widgets: line splitting, file names, the atomic replace, the due rule, and
// whole downloads from the local test server.
#include <gtest/gtest.h>

#include <chrono>

#include <filesystem>

#include "download.h"
#include "log.h"
#include "optionform_text.h"
#include "testserver.h"
#include "testutil.h"

namespace {

TEST(SplitLines, BreaksAtCrLfLfAndCr) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\nb\nc\n", {"a", "b", "c"}},
      {"a\r\nb\rc", {"a", "b", "c"}},
      {"a\n\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"a\n\r\nb", {"a", "", "b"}},
      {"a\r\r\n", {"a", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(UrlFileName, TakesThePartAfterTheLastSeparator) {
  struct Case {
    std::string address, name;
  };
  const Case cases[] = {
      {"http://host/NORAD/elements/stations.txt", "stations.txt"},
      {"http://host/dir/", ""},
      {"stations.txt", "stations.txt"},
      {"host:geo.txt", "geo.txt"},
      {"http://host/a\\b.tle", "b.tle"},
      {"http://host/..", ".."},
      {"http://host/" + std::string(300, 'n'), std::string(255, 'n')},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlFileName(c.address), c.name) << c.address;
}

TEST(IsStorableFileName, RefusesNamesThatAreNotFiles) {
  EXPECT_TRUE(IsStorableFileName("geo.txt"));
  EXPECT_TRUE(IsStorableFileName("...x"));
  for (std::string bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"), std::string("a\0b", 3)})
    EXPECT_FALSE(IsStorableFileName(bad)) << bad;
}

TEST(DpiFromText, ReadsLimitsAndDefaults) {
  struct Case {
    const char* text;
    int dpi;
  };
  const Case cases[] = {{"150 Dpi", 150}, {"300dpi", 300}, {"300 DPI", 300}, {"10 Dpi", 25},  {"5000", 1200},
                        {"abc", 150},     {"", 150},        {"  600  ", 600}, {"25", 25},      {"1200 dpi", 1200},
                        {"-5 Dpi", 25},   {"99999999999", 150}, {"3dpi00", 300}, {"1.5 Dpi", 150}};
  for (const Case& c : cases) EXPECT_EQ(DpiFromText(c.text), c.dpi) << c.text;
  EXPECT_EQ(DpiText(300), "300 Dpi");
}

TEST(ReadCommaText, SplitsLikeTheListsWriteIt) {
  struct Case {
    std::string text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"", {}},
      {"a,b,c", {"a", "b", "c"}},
      {"\"a b\",c", {"a b", "c"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"a b", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {"\"\"", {""}},
      {"\"a,b\"", {"a,b"}},
      {"  a ,  b  ", {"a", "b"}},
      {"\"open", {"open"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCommaText(c.text), c.items) << c.text;
}

TEST(UpdateDue, MissingFilesAndFilesOlderThanTheLimit) {
  TTempDir dir;
  const std::string file = dir.file("geo.txt");
  const double now = 1700000000.0;
  EXPECT_TRUE(UpdateDue(file, 7, now));
  WriteBytes(file, "x");
  struct Case {
    double ageDays;
    bool due;
  };
  for (const Case& c : {Case{8, true}, Case{6.9, false}, Case{7, false}, Case{7.0001, true}, Case{-1, false}}) {
    SetFileTime(file, now - c.ageDays * 86400);
    EXPECT_EQ(UpdateDue(file, 7, now), c.due) << c.ageDays;
  }
  std::filesystem::create_directory(dir.file("folder"));
  EXPECT_TRUE(UpdateDue(dir.file("folder"), 7, now));
}

TEST(ReplaceFileWithLines, WritesCrLfAndLeavesNoTemporaryFile) {
  TTempDir dir;
  const std::string file = dir.file("a.txt");
  WriteBytes(file, "old");
  ASSERT_TRUE(ReplaceFileWithLines(file, {"one", "", "three"}));
  EXPECT_EQ(ReadBytes(file), "one\r\n\r\nthree\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(ReplaceFileWithLines, AFolderInTheWayIsNotReplaced) {
  TTempDir dir;
  std::filesystem::create_directory(dir.file("a.txt"));
  WriteBytes(dir.file("a.txt/inside"), "keep");
  EXPECT_FALSE(ReplaceFileWithLines(dir.file("a.txt"), {"x"}));
  EXPECT_EQ(ReadBytes(dir.file("a.txt/inside")), "keep");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override { LogList.clear(); }
  TDownloadResult Fetch(const std::string& address, const std::string& folder, const http::TGetOptions& options = {}) {
    TDownloadEvents events;
    events.Caption = [this](const std::string& s) { captions.push_back(s); };
    events.Message = [this](const std::string& s) { messages.push_back(s); };
    return DownloadToFolder(address, folder, events, options);
  }
  bool Logged(const std::string& message) const {
    for (const std::string& line : LogList)
      if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0)
        return true;
    return false;
  }
  TTestServer server;
  TTempDir dir;
  std::vector<std::string> captions, messages;
};

TEST_F(DownloadTest, SavesTheBodyWithCrLfUnderTheLastPartOfTheAddress) {
  server.Route("/NORAD/elements/stations.txt", {200, "ISS\n1 25544U\n2 25544\n"});
  const std::string address = server.Url("/NORAD/elements/stations.txt");
  const TDownloadResult r = Fetch("  " + address + "\t", dir.path() + "/");
  EXPECT_EQ(r.Outcome, TDownloadOutcome::Saved);
  EXPECT_EQ(r.Lines, 3u);
  EXPECT_EQ(ReadBytes(dir.file("stations.txt")), "ISS\r\n1 25544U\r\n2 25544\r\n");
  ASSERT_GE(captions.size(), 3u);
  EXPECT_EQ(captions.front(), "Connecting to " + address);
  EXPECT_EQ(captions[captions.size() - 2], "21 Bytes Read");
  EXPECT_EQ(captions.back(), "stations.txt Updated");
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(Logged("Downloaded " + address + " ; 3 Lines"));
  EXPECT_FALSE(Logged("Error Downloading " + address));
}

TEST_F(DownloadTest, NothingRetrievedLeavesTheOldFileAlone) {
  server.Route("/empty/stations.txt", {200, ""});
  const std::string old = "old contents\r\n";
  WriteBytes(dir.file("stations.txt"), old);
  struct Case {
    std::string path;
    std::string reason;  // of the request's failure; empty when the request succeeded
  };
  for (const Case& c : {Case{"/gone/stations.txt", "HTTP status 404"}, Case{"/empty/stations.txt", ""}}) {
    messages.clear();
    LogList.clear();
    const std::string address = server.Url(c.path);
    const TDownloadResult r = Fetch(address, dir.path() + "/");
    EXPECT_EQ(r.Outcome, TDownloadOutcome::NotRetrieved) << c.path;
    EXPECT_EQ(messages, std::vector<std::string>{"Error retrieving file stations.txt"}) << c.path;
    EXPECT_EQ(ReadBytes(dir.file("stations.txt")), old) << c.path;
    EXPECT_EQ(Logged("Error Downloading " + address + " : " + c.reason), !c.reason.empty()) << c.path;
    EXPECT_EQ(r.Error, c.reason.empty() ? "empty file" : c.reason) << c.path;
    EXPECT_TRUE(Logged("Downloaded " + address + " ; 0 Lines")) << c.path;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(DownloadTest, AnAddressEndingInASlashCannotBeSaved) {
  server.Route("/dir/", {200, "index\n"});
  std::filesystem::create_directory(dir.file("keps"));
  const std::string folder = dir.file("keps") + "/";
  const TDownloadResult r = Fetch(server.Url("/dir/"), folder);
  EXPECT_EQ(r.Outcome, TDownloadOutcome::NotSaved);
  EXPECT_EQ(messages, std::vector<std::string>{"Error saving file\r" + folder});
  EXPECT_TRUE(Logged("Error saving " + folder + " : not a file name"));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(DownloadTest, DotNamesAreRefusedBeforeTheDiskIsTouched) {
  server.Route("/a:..", {200, "x\n"});
  std::filesystem::create_directory(dir.file("keps"));
  WriteBytes(dir.file("keps/geo.txt"), "keep");
  const std::string folder = dir.file("keps") + "/";
  const TDownloadResult r = Fetch(server.Url("/a:.."), folder);
  EXPECT_EQ(r.Outcome, TDownloadOutcome::NotSaved);
  EXPECT_EQ(ReadBytes(dir.file("keps/geo.txt")), "keep");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST_F(DownloadTest, AMissingFolderCannotBeSaved) {
  server.Route("/geo.log", {200, "a\nb\n"});
  const std::string folder = dir.file("missing") + "/";
  const TDownloadResult r = Fetch(server.Url("/geo.log"), folder);
  EXPECT_EQ(r.Outcome, TDownloadOutcome::NotSaved);
  EXPECT_EQ(messages, std::vector<std::string>{"Error saving file\r" + folder + "geo.log"});
  EXPECT_FALSE(std::filesystem::exists(folder));
}

// A server that trickles, stalls or never ends: each download ends within its limit, says why in
// the log, and leaves the old file as it was.
TEST_F(DownloadTest, HostileServersLeaveTheOldFileAlone) {
  TTestServer::TResponse trickle{200, std::string(400, 't')};
  trickle.TrickleBytesPerSecond = 20;
  TTestServer::TResponse endless;
  endless.Endless = true;
  server.Route("/trickle/geo.txt", trickle);
  server.Route("/stall/geo.txt", {200, "", "", true});
  server.Route("/endless/geo.txt", endless);
  const std::string old = "old elements\r\n";
  WriteBytes(dir.file("geo.txt"), old);
  // Only the limit a case is about is tight; the others stay far from it.
  const struct {
    std::string path, reason;
    long totalSeconds, stallSeconds;
  } cases[] = {
      {"/trickle/geo.txt", "timed out", 2, 20},
      {"/stall/geo.txt", "stalled (no data for 1 s)", 60, 1},
      {"/endless/geo.txt", "too large (over 262144 bytes)", 60, 20},
  };
  for (const auto& [path, reason, totalSeconds, stallSeconds] : cases) {
    messages.clear();
    LogList.clear();
    http::TGetOptions options;
    options.TotalTimeoutSeconds = totalSeconds;
    options.LowSpeedTimeSeconds = stallSeconds;
    options.MaxBodyBytes = 256 << 10;
    const std::string address = server.Url(path);
    const auto start = std::chrono::steady_clock::now();
    const TDownloadResult r = Fetch(address, dir.path() + "/", options);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0) << path;
    EXPECT_EQ(r.Outcome, TDownloadOutcome::NotRetrieved) << path;
    EXPECT_EQ(r.Error, reason) << path;
    EXPECT_EQ(messages, std::vector<std::string>{"Error retrieving file geo.txt"}) << path;
    EXPECT_TRUE(Logged("Error Downloading " + address + " : " + reason)) << path;
    EXPECT_EQ(ReadBytes(dir.file("geo.txt")), old) << path;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(DownloadLineEnds, EveryLineEndsInCrLf) {
  const struct {
    std::string bytes, text;
    size_t lines;
  } cases[] = {
      {"", "", 0},
      {"a", "a\r\n", 1},
      {"a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd\r\n", 4},
      {"a\r\n\r\n", "a\r\n\r\n", 2},
      {"\n\n\r", "\r\n\r\n\r\n", 3},
  };
  for (const auto& c : cases) {
    std::string text;
    EXPECT_EQ(WithCrLfLineEnds(c.bytes, text), c.lines) << c.bytes;
    EXPECT_EQ(text, c.text) << c.bytes;
    // The same lines as the splitter gives.
    EXPECT_EQ(SplitLines(c.bytes).size(), c.lines) << c.bytes;
  }
}

TEST_F(DownloadTest, AnEmptyAddressDoesNothing) {
  const TDownloadResult r = Fetch(" \t\r\n", dir.path() + "/");
  EXPECT_EQ(r.Outcome, TDownloadOutcome::NoAddress);
  EXPECT_TRUE(captions.empty());
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(LogList.empty());
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
