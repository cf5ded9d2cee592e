#include "download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>

#include "format.h"
#include "log.h"
#include "texthelpers.h"

std::string UrlFileName(std::string_view address) {
  const std::size_t pos = address.find_last_of("/:\\");
  std::string_view name = pos == std::string_view::npos ? address : address.substr(pos + 1);
  return std::string(name.substr(0, 255));
}

std::string ExtractFilePath(std::string_view path) {
  const std::size_t pos = path.find_last_of('/');
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

bool IsStorableFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

namespace {

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The permissions a newly created file would get; those of the file replaced when there is one.
mode_t NewFileMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Seconds east of UTC of the local time at a moment.
long LocalOffset(std::time_t t) {
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return 0;
  return tm.tm_gmtoff;
}

}  // namespace

bool ReplaceFileWithLines(const std::string& path, const std::vector<std::string>& lines) noexcept {
  try {
    const std::string folder = ExtractFilePath(path);
    const std::string name = path.substr(folder.size());
    if (!IsStorableFileName(name)) return false;
    std::string text;
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    text.reserve(size);
    for (const std::string& line : lines) {
      text += line;
      text += "\r\n";
    }
    const mode_t mode = NewFileMode(path);
    std::string temp = folder + ".velmar-download-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text);
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
  } catch (...) {
    return false;
  }
}

bool UpdateDue(const std::string& path, double maxAgeDays, double nowUnix) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  const double written = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec * 1e-9;
  const double nowLocal = nowUnix + static_cast<double>(LocalOffset(static_cast<std::time_t>(std::floor(nowUnix))));
  const double writtenLocal = written + static_cast<double>(LocalOffset(st.st_mtim.tv_sec));
  return nowLocal - writtenLocal > maxAgeDays * 86400.0;
}

bool UpdateDue(const std::string& path, double maxAgeDays) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return UpdateDue(path, maxAgeDays, std::chrono::duration<double>(now).count());
}

TDownloadResult DownloadToFolder(std::string_view address, const std::string& folder, const TDownloadEvents& events,
                                 const http::TGetOptions& options) noexcept {
  TDownloadResult result;
  try {
    auto caption = [&](const std::string& text) {
      if (events.Caption) events.Caption(text);
    };
    auto message = [&](const std::string& text) {
      if (events.Message) events.Message(text);
    };

    result.Address = Trim(address);
    if (result.Address.empty()) return result;

    caption("Connecting to " + result.Address);
    const http::TGetResult got = http::Get(
        result.Address, [&](std::int64_t bytes) { caption(IntToStr(bytes) + " Bytes Read"); }, options);
    result.Reason = got.Error;
    std::vector<std::string> lines;
    if (got.Ok) lines = SplitLines(got.Body);
    else WriteLog("Error Downloading " + result.Address);
    result.Lines = lines.size();
    WriteLog("Downloaded " + result.Address + " ; " + IntToStr(static_cast<std::int64_t>(lines.size())) + " Lines");

    result.FileName = UrlFileName(result.Address);
    if (lines.empty()) {
      result.Outcome = TDownloadOutcome::NotRetrieved;
      message("Error retrieving file " + result.FileName);
      return result;
    }
    const std::string path = folder + result.FileName;
    if (IsStorableFileName(result.FileName) && ReplaceFileWithLines(path, lines)) {
      result.Outcome = TDownloadOutcome::Saved;
      caption(result.FileName + " Updated");
    } else {
      result.Outcome = TDownloadOutcome::NotSaved;
      message("Error saving file\r" + path);
      WriteLog("Error saving " + path);
    }
  } catch (...) {
    // A failed allocation or a throwing caption or message callback ends here.
    result.Outcome = TDownloadOutcome::NotSaved;
    WriteLog("Error saving file");
  }
  return result;
}
