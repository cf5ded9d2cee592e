// Downloads of element files and the geostationary log: one address fetched over HTTP and
// stored, with CR LF line ends, under the last part of the address in a folder. Free of
// widgets: the options dialog plugs its caption and message box in through TDownloadEvents.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "http.h"
#include "inifile.h"

// The body split into lines at CR LF, LF or CR; a line break at the very end ends the last line
// and adds no empty one. An empty text has no lines.
using ini::SplitLines;

// The part of an address after its last '/', ':' or '\' (the whole address when it holds none),
// cut to 255 characters.
std::string UrlFileName(std::string_view address);

// The folder part of a path up to and including its last '/' ("" when it has none).
std::string ExtractFilePath(std::string_view path);

// A name that may be stored in a folder: not empty, not "." or "..", no '/' and no NUL.
bool IsStorableFileName(std::string_view name);

// Replaces the file at `path` with the lines, each ended by CR LF. The whole text is written to
// a temporary file beside the target first and then renamed over it, so the target is either
// the old file or the complete new one. False (and the target untouched) on any failure.
bool ReplaceFileWithLines(const std::string& path, const std::vector<std::string>& lines) noexcept;

// The bytes with every line ended by CR LF (lines split as by SplitLines) into `text`; the
// number of lines.
std::size_t WithCrLfLineEnds(std::string_view bytes, std::string& text);

// Whether a file is due for a new download: it is missing (or not a regular file), or the local
// time `nowUnix` minus its local last-write time is more than maxAgeDays.
bool UpdateDue(const std::string& path, double maxAgeDays, double nowUnix);
bool UpdateDue(const std::string& path, double maxAgeDays);  // now

// What a reply must hold before it may replace the file.
enum class TDownloadContent {
  Any,          // any body with at least one line
  ElementSets,  // at least one valid element set
  GeoLog,       // at least one valid line of the geostationary log
};

// Why a body may not replace a file of that kind ("no element sets in the reply", "no
// geostationary log lines in the reply"); empty when it may. An element set is valid when a
// name line is followed by two lines of 69 characters starting "1 " and "2 " that carry the
// same catalogue number above 0; a log line when it carries a catalogue number and a name.
std::string ContentProblem(TDownloadContent content, std::string_view body);

struct TDownloadEvents {
  std::function<void(const std::string&)> Caption;  // the dialog's caption
  std::function<void(const std::string&)> Message;  // an error message box
};

enum class TDownloadOutcome {
  NoAddress,     // nothing to fetch; nothing happened
  NotRetrieved,  // no lines: request failed or empty body ("Error retrieving file ...")
  NotData,       // the reply is not data of the kind asked for ("Error retrieving file ...")
  NotSaved,      // the file could not be written ("Error saving file ...")
  Saved,         // "<name> Updated"
};

struct TDownloadResult {
  TDownloadOutcome Outcome = TDownloadOutcome::NoAddress;
  std::string Address;   // trimmed
  std::string FileName;  // from the address
  std::size_t Lines = 0;
  std::string Error;     // why it was not saved: the request's reason or the file's (empty when Saved)
};

// One download of `address` (leading and trailing blanks and control characters removed) into
// `folder` (with its trailing '/', or empty for the working folder). Captions: "Connecting to
// <address>", "<n> Bytes Read" while data arrive, "<name> Updated" at the end. Logs "Error
// Downloading <address> : <reason>" on a request error and always "Downloaded <address> ; <n>
// Lines"; "Error saving <folder><name> : <reason>" when writing fails. On any failure the old
// file is left as it was. The request's limits are those of `options` (by default 120 s in
// all, 20 s without data, 32 MB). A reply that is not of the `content` asked for replaces
// nothing: "Error retrieving file <name>" with the reason (ContentProblem) in Error, logged as
// "Not saving <folder><name> : <reason>". Never throws.
TDownloadResult DownloadToFolder(std::string_view address, const std::string& folder, const TDownloadEvents& events,
                                 const http::TGetOptions& options = {},
                                 TDownloadContent content = TDownloadContent::Any) noexcept;
