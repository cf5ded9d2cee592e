#include "datafiles.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "faultinject.h"
#include "testutil.h"

namespace {

using Lines = std::vector<std::string>;

TEST(DataFiles, SplitLinesAtEveryLineEnd) {
  struct Case {
    std::string bytes;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(satfiles::SplitLines(c.bytes), c.lines) << c.bytes;
}

TEST(DataFiles, SatCsvLineSplitting) {
  struct Case {
    std::string line;
    Lines fields;
  };
  const Case cases[] = {
      {"A;1;19.2E", {"A", "1", "19.2E"}},
      {"A;;C", {"A", " ", "C"}},
      {"A;;;D", {"A", " ", " ", "D"}},
      {";1;2", {"1", "2"}},                       // empty first field is lost
      {"A;1;", {"A", "1"}},                       // empty last field is lost
      {"O'Brien;1;2", {"O Brien", "1", "2"}},     // apostrophes become blanks
      {"A;\"x;y\";3", {"A", "\"x;y\"", "3"}},     // quoted stretch keeps ";" and its quotes
      {" A ; 2 ;3", {" A ", " 2 ", "3"}},         // no blanks skipped
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(satfiles::SplitSatCsvLine(c.line), c.fields) << c.line;
}

TEST(DataFiles, FieldTextNeverShiftsFields) {
  const std::string texts[] = {"a;b", "say \"hi\"", "one \" quote", "tab\there", "line\r\nbreak", ";;", "\"a;b\""};
  for (const std::string& t : texts) {
    const std::string safe = satfiles::SatCsvFieldText(t);
    const Lines f = satfiles::SplitSatCsvLine("N;" + safe + ";X");
    ASSERT_EQ(f.size(), 3u) << t;
    EXPECT_EQ(f[2], "X") << t;
  }
  EXPECT_EQ(satfiles::SatCsvFieldText("a;b"), "a,b");
  EXPECT_EQ(satfiles::SatCsvFieldText("say \"hi\""), "say \"hi\"");
}

TEST(DataFiles, ReadTextLinesDecodesUtf8AndKeepsSingleByte) {
  testutil::TempDir dir;
  testutil::WriteFile(dir / "utf8.txt", "19.2\xC2\xB0 E\r\nx\n");
  testutil::WriteFile(dir / "latin1.txt", "19.2\xB0 E\r\n");
  testutil::WriteFile(dir / "bom.txt", "\xEF\xBB\xBFplain\r\n");
  Lines lines;
  ASSERT_TRUE(satfiles::ReadTextLines(dir / "utf8.txt", lines));
  EXPECT_EQ(lines, (Lines{"19.2\xB0 E", "x"}));
  ASSERT_TRUE(satfiles::ReadTextLines(dir / "latin1.txt", lines));
  EXPECT_EQ(lines, (Lines{"19.2\xB0 E"}));
  ASSERT_TRUE(satfiles::ReadTextLines(dir / "bom.txt", lines));
  EXPECT_EQ(lines, (Lines{"plain"}));
  EXPECT_FALSE(satfiles::ReadTextLines(dir / "missing.txt", lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(satfiles::ReadTextLines(dir.path(), lines));  // a folder is not a file
}

TEST(DataFiles, AtomicWriteReplacesOrLeavesTheOldFile) {
  testutil::TempDir dir;
  const std::string file = dir / "sats.csv";
  ASSERT_TRUE(satfiles::WriteTextLinesAtomically(file, {"a", "b"}));
  EXPECT_EQ(testutil::ReadFile(file), "a\r\nb\r\n");
  ASSERT_TRUE(satfiles::WriteTextLinesAtomically(file, {"c"}));
  EXPECT_EQ(testutil::ReadFile(file), "c\r\n");

  // A folder standing where the file should be, and a missing folder: failure, nothing left.
  std::filesystem::create_directory(dir / "taken");
  EXPECT_FALSE(satfiles::WriteTextLinesAtomically(dir / "taken", {"x"}));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
  EXPECT_FALSE(satfiles::WriteTextLinesAtomically(dir / "nofolder/sats.csv", {"x"}));
  EXPECT_FALSE(satfiles::WriteTextLinesAtomically("", {"x"}));
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
  EXPECT_EQ(entries, 2u);  // sats.csv and the folder; no temporary file left behind
  EXPECT_EQ(testutil::ReadFile(file), "c\r\n");
}

// The line-by-line reader gives the lines the whole-file reader gives, decoded the same way.
TEST(DataFiles, LineByLineReadingMatchesTheWholeFileReader) {
  testutil::TempDir dir;
  const std::string texts[] = {
      "",
      "one",
      "a\r\nb\nc\rd\r\n\r\n",
      "19.2\xC2\xB0 E\r\nx\n",
      "19.2\xB0 E\r\n\xC2\xB0\n",            // not UTF-8 as a whole: bytes as they are
      "\xEF\xBB\xBFplain\r\n\xEF\xBB\xBFsecond\xC2\xB0\r\n",  // a mark only starts the file
  };
  // The reader works in blocks of 64 KB: a line end and a UTF-8 sequence cut by a block's end.
  std::vector<std::string> all(std::begin(texts), std::end(texts));
  for (size_t shift : {0, 1, 2, 3}) {
    const std::string pad(65536 - 2 - shift, 'p');
    all.push_back(pad + "\r\nx\xC2\xB0\n");
    all.push_back(pad + "\xE2\x82\xAC\r\n\xF0\x9F\x98\x80z");
    all.push_back(pad + "\xE2\x82" + "q\r\n");  // a cut sequence that is not completed
  }
  for (const std::string& text : all) {
    testutil::WriteFile(dir / "f.txt", text);
    Lines whole, each;
    ASSERT_TRUE(satfiles::ReadTextLines(dir / "f.txt", whole));
    EXPECT_EQ(satfiles::ForEachTextLine(dir / "f.txt", 1 << 20, [&](std::string_view l) { each.emplace_back(l); }),
              satfiles::TReadResult::Ok);
    EXPECT_EQ(each, whole) << text.size();
  }
  int calls = 0;
  auto count = [&](std::string_view) { ++calls; };
  testutil::WriteFile(dir / "big.txt", std::string(1001, '\n'));
  EXPECT_EQ(satfiles::ForEachTextLine(dir / "big.txt", 1000, count), satfiles::TReadResult::TooLarge);
  EXPECT_EQ(satfiles::ForEachTextLine(dir / "missing.txt", 1000, count), satfiles::TReadResult::CannotRead);
  EXPECT_EQ(satfiles::ForEachTextLine(dir.path(), 1000, count), satfiles::TReadResult::CannotRead);
  EXPECT_EQ(calls, 0);
}

// 48 MB of line breaks are read with a block and a line in memory, not a string per line (which
// would take some 1.5 GB); measured in a child process.
TEST(DataFiles, LineBreakFloodsAreReadInBoundedMemory) {
  testutil::TempDir dir;
  {
    std::ofstream out(dir / "breaks.txt", std::ios::binary);
    const std::string mb(1 << 20, '\n');
    for (int i = 0; i < 48; ++i) out.write(mb.data(), static_cast<std::streamsize>(mb.size()));
  }
  const auto r = faultinject::RunInChild([&] {
    size_t lines = 0;
    const satfiles::TReadResult read =
        satfiles::ForEachTextLine(dir / "breaks.txt", satfiles::kMaxDataFileBytes, [&](std::string_view) { ++lines; });
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return read == satfiles::TReadResult::Ok && lines == (48u << 20) && use.ru_maxrss < 300 * 1024;
  });
  EXPECT_EQ(r, faultinject::TChildResult::Succeeded);
}

// The sats.csv writer on a disk that fills up (a file-size limit in a child): the old file
// stays byte for byte and the failure is reported.
TEST(DataFiles, AFullDiskLeavesTheOldSatsCsv) {
  testutil::TempDir dir;
  const std::string file = dir / "sats.csv";
  Lines old, next;
  for (int i = 0; i < 60; ++i) old.push_back("25544;ISS " + std::to_string(i) + ";137.5;;;");
  for (int i = 0; i < 400; ++i) next.push_back("40000;NEW " + std::to_string(i) + ";11.2;;;edited");
  ASSERT_TRUE(satfiles::WriteTextLinesAtomically(file, old));
  const std::string before = testutil::ReadFile(file);
  for (rlim_t limit : {rlim_t{1}, rlim_t{before.size()}, rlim_t{before.size() * 2}}) {
    const auto r = faultinject::RunInChild([&] { return satfiles::WriteTextLinesAtomically(file, next); }, limit);
    EXPECT_EQ(r, faultinject::TChildResult::Failed) << limit;
    EXPECT_EQ(testutil::ReadFile(file), before) << limit;
  }
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
  EXPECT_EQ(entries, 1u);
}

}  // namespace
