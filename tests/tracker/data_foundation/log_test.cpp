#include "log.h"

#include <gtest/gtest.h>

#include <regex>

#include "faultinject.h"
#include "programpath.h"
#include "testdir.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogList.clear();
    LogFileName = dir_.file("Velmar.log");
    CrashDebugMode = false;
  }
  void TearDown() override {
    LogList.clear();
    LogFileName.clear();
    CrashDebugMode = false;
  }
  TempDir dir_;
};

TEST_F(LogTest, LineIsDateTimeTwoBlanksMessage) {
  EXPECT_EQ(LogLine(EncodeDate(2024, 3, 5) + EncodeTime(7, 4, 9, 0), "Reading Ini x"),
            "05/03/2024 07:04:09  Reading Ini x");
  EXPECT_EQ(LogLine(EncodeDate(2024, 3, 5), "midnight"), "05/03/2024  midnight");
  WriteLog("Initializing ");
  ASSERT_EQ(LogList.size(), 1u);
  EXPECT_TRUE(std::regex_match(LogList[0], std::regex(R"(\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)?  Initializing )")))
      << LogList[0];
}

TEST_F(LogTest, CrashDebugWritesTheFileAfterEveryLine) {
  CrashDebugMode = true;
  WriteLog("one");
  EXPECT_EQ(ReadBytes(LogFileName), LogList[0] + "\r\n");
  WriteLog("two");
  EXPECT_EQ(ReadBytes(LogFileName), LogList[0] + "\r\n" + LogList[1] + "\r\n");
}

TEST_F(LogTest, WithoutCrashDebugTheFileWaitsForTheEnd) {
  WriteLog("one");
  EXPECT_FALSE(std::filesystem::exists(LogFileName));
  WriteBytes(LogFileName, "old run\r\n");
  WriteLog("Finished shutdown");
  EXPECT_TRUE(SaveLogFile());
  EXPECT_EQ(ReadBytes(LogFileName), LogList[0] + "\r\n" + LogList[1] + "\r\n");
}

// The log written at the end of a run on a full disk: the last complete log stays as it was and
// the failure is reported (the old way left an empty file).
TEST_F(LogTest, AFullDiskLeavesTheLastCompleteLog) {
  std::string old;
  for (int i = 0; i < 50; ++i) old += "01/02/2024 10:00:00  line of the last run\r\n";
  WriteBytes(LogFileName, old);
  for (int i = 0; i < 400; ++i) WriteLog("a line of this run that makes the log larger than the last one");
  const auto r = faultinject::RunInChild([] { return SaveLogFile(); }, old.size() + 100);
  EXPECT_EQ(r, faultinject::TChildResult::Failed);
  EXPECT_EQ(ReadBytes(LogFileName), old);
  EXPECT_TRUE(SaveLogFile());
  EXPECT_GT(ReadBytes(LogFileName).size(), old.size());
}

TEST_F(LogTest, UnwritableLogFileNeverThrows) {
  LogFileName = dir_.file("missing/folder/Velmar.log");
  CrashDebugMode = true;
  EXPECT_NO_THROW(WriteLog("still logged"));
  EXPECT_EQ(LogList.size(), 1u);
  EXPECT_FALSE(SaveLogFile());
}

TEST_F(LogTest, CrashDebugSwitch) {
  const std::pair<const char*, bool> cases[] = {
      {"-crashdebug", true}, {"/CRASHDEBUG", true}, {"-CrashDebug", true}, {"crashdebug", false},
      {"--crashdebug", false}, {"-crash", false},  {"/crashdebugx", false}, {"", false},
  };
  for (const auto& [arg, expected] : cases) {
    const char* argv[] = {"Velmar", "-other", arg};
    EXPECT_EQ(HasCrashDebugSwitch(3, argv), expected) << arg;
  }
  const char* programOnly[] = {"-crashdebug"};  // the program's own name is no switch
  EXPECT_FALSE(HasCrashDebugSwitch(1, programOnly));

  SetProgramFileName(dir_.file("Velmar"));
  LogList.push_back("stale");
  const char* argv[] = {"Velmar", "/CrashDebug"};
  InitProgramLog(2, argv);
  SetProgramFileName("");
  EXPECT_TRUE(LogList.empty());
  EXPECT_TRUE(CrashDebugMode);
  EXPECT_EQ(LogFileName, dir_.file("Velmar.log"));
}

}  // namespace
