#include "download.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <ctime>

#include "fileio.h"
#include "format.h"
#include "log.h"
#include "datafiles.h"
#include "satfilerecords.h"
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
    return fileio::ReplaceFile(path, text);
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

std::size_t WithCrLfLineEnds(std::string_view bytes, std::string& text) {
  text.clear();
  std::size_t lines = 0, extra = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) ++extra;
  const bool open = !bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r';
  text.reserve(bytes.size() + extra + (open ? 2 : 0) + 1);
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    text.append(bytes.substr(start, i - start));
    text += "\r\n";
    ++lines;
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) {
    text.append(bytes.substr(start));
    text += "\r\n";
    ++lines;
  }
  return lines;
}

std::string ContentProblem(TDownloadContent content, std::string_view body) {
  if (content == TDownloadContent::Any) return std::string();
  // The last three lines, as the element reader holds them.
  std::string_view window[3];
  std::size_t held = 0;
  auto validSet = [&] {
    const std::string_view name = window[0], line1 = window[1], line2 = window[2];
    if (line1.size() != 69 || line2.size() != 69 || !satfiles::IsElementPair(line1, line2)) return false;
    const std::string_view cat1 = satfiles::Columns(line1, 3, 7), cat2 = satfiles::Columns(line2, 3, 7);
    int nr = 0;
    return cat1 == cat2 && TryStrToInt(Trim(cat1), nr) && nr > 0 && !Trim(name).empty();
  };
  auto validLogLine = [](std::string_view line) {
    TGeoLogRecord rec;
    return satfiles::ParseGeoLogLine(line, rec) > 0 && !rec.Name.empty();
  };
  for (std::size_t start = 0; start < body.size();) {
    std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view line = body.substr(start, end - start);
    const bool crLf = end + 1 < body.size() && body[end] == '\r' && body[end + 1] == '\n';
    start = end + (crLf ? 2 : 1);
    if (content == TDownloadContent::GeoLog) {
      if (validLogLine(line)) return std::string();
      continue;
    }
    if (held == 3) {
      window[0] = window[1];
      window[1] = window[2];
      held = 2;
    }
    window[held++] = line;
    if (held == 3 && validSet()) return std::string();
  }
  return content == TDownloadContent::GeoLog ? "no geostationary log lines in the reply"
                                             : "no element sets in the reply";
}

TDownloadResult DownloadToFolder(std::string_view address, const std::string& folder, const TDownloadEvents& events,
                                 const http::TGetOptions& options, TDownloadContent content) noexcept {
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
    // The body is stored with CR LF line ends; it is converted as one text, never as a list of
    // lines, so a large body costs about twice its size.
    std::string text;
    std::size_t lines = 0;
    if (got.Ok) {
      lines = WithCrLfLineEnds(got.Body, text);
    } else {
      result.Error = got.Error;
      WriteLog("Error Downloading " + result.Address + " : " + got.Error);
    }
    result.Lines = lines;
    WriteLog("Downloaded " + result.Address + " ; " + IntToStr(static_cast<std::int64_t>(lines)) + " Lines");

    result.FileName = UrlFileName(result.Address);
    if (lines == 0) {
      if (result.Error.empty()) result.Error = "empty file";
      result.Outcome = TDownloadOutcome::NotRetrieved;
      message("Error retrieving file " + result.FileName);
      return result;
    }
    const std::string path = folder + result.FileName;
    const std::string problem = ContentProblem(content, text);
    if (!problem.empty()) {
      // The file in place is kept: a page of the server, an error text or a body still
      // compressed would leave the program without its data.
      result.Error = problem;
      result.Outcome = TDownloadOutcome::NotData;
      message("Error retrieving file " + result.FileName);
      WriteLog("Not saving " + path + " : " + problem);
      return result;
    }
    std::string why = "not a file name";
    if (IsStorableFileName(result.FileName) && fileio::ReplaceFile(path, text, &why)) {
      result.Outcome = TDownloadOutcome::Saved;
      caption(result.FileName + " Updated");
    } else {
      result.Error = why;
      result.Outcome = TDownloadOutcome::NotSaved;
      message("Error saving file\r" + path);
      WriteLog("Error saving " + path + " : " + why);
    }
  } catch (...) {
    // A failed allocation or a throwing caption or message callback ends here.
    result.Outcome = TDownloadOutcome::NotSaved;
    WriteLog("Error saving file");
  }
  return result;
}
