#include "log.h"

#include <mutex>

#include "fileio.h"
#include "programpath.h"
#include "texthelpers.h"

std::vector<std::string> LogList;
std::string LogFileName;
bool CrashDebugMode = false;

namespace {
std::mutex& LogMutex() {
  static std::mutex m;
  return m;
}

bool SaveLocked() noexcept {
  try {
    if (LogFileName.empty()) return false;
    std::size_t size = 0;
    for (const std::string& line : LogList) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : LogList) text.append(line).append("\r\n");
    // Replaced whole: a full disk leaves the last complete log, never a cut or empty one.
    return fileio::ReplaceFile(LogFileName, text);
  } catch (...) {
    return false;
  }
}
}  // namespace

std::string LogLine(TDateTime localTime, std::string_view message) {
  std::string stamp;
  try {
    stamp = DateTimeToStr(localTime);
  } catch (const EConvertError&) {
    stamp.assign(1, '?');
  }
  std::string line;
  line.reserve(stamp.size() + 2 + message.size());
  line.append(stamp).append("  ").append(message.data(), message.size());
  return line;
}

void WriteLog(std::string_view message) noexcept {
  try {
    std::string line = LogLine(Now(), message);
    std::lock_guard<std::mutex> lock(LogMutex());
    LogList.push_back(std::move(line));
    if (CrashDebugMode) SaveLocked();
  } catch (...) {
    // Out of memory while logging: the line is lost, the program goes on.
  }
}

bool SaveLogFile() noexcept {
  try {
    std::lock_guard<std::mutex> lock(LogMutex());
    return SaveLocked();
  } catch (...) {
    return false;
  }
}

bool HasCrashDebugSwitch(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (!argv[i]) continue;
    const std::string_view a = argv[i];
    if (a.size() > 1 && (a[0] == '-' || a[0] == '/') && SameText(a.substr(1), "CrashDebug")) return true;
  }
  return false;
}

void InitProgramLog(int argc, const char* const* argv) {
  std::lock_guard<std::mutex> lock(LogMutex());
  LogList.clear();
  LogFileName = ChangeFileExt(ProgramFileName(), ".log");
  CrashDebugMode = HasCrashDebugSwitch(argc, argv);
}
