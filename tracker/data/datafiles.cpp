#include "datafiles.h"

#include "texthelpers.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace satfiles {

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
  lines.clear();
  struct stat st {};
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) return false;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return false;
  lines = SplitLines(FileTextToAnsi(bytes));
  return true;
}

std::string_view Columns(std::string_view line, size_t from, size_t to) {
  if (from < 1 || to < from || from > line.size()) return {};
  return line.substr(from - 1, to - from + 1);
}

std::string Cut(std::string_view s, size_t n) { return std::string(s.substr(0, n)); }

std::vector<std::string> SplitSatCsvLine(std::string_view line) {
  std::string t(line);
  for (char& c : t)
    if (c == '\'') c = ' ';
  // A blank goes between every two adjacent separators, so empty fields keep their places.
  if (t.find(";;") != std::string::npos) {
    std::string r;
    r.reserve(t.size() + 8);
    for (size_t i = 0; i < t.size(); ++i) {
      r += t[i];
      if (t[i] == ';' && i + 1 < t.size() && t[i + 1] == ';') r += ' ';
    }
    t.swap(r);
  }
  std::vector<std::string> fields;
  std::string cur;
  bool quoted = false;
  for (char c : t) {
    if (c == '"') quoted = !quoted;
    if (c == ';' && !quoted) {
      fields.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  fields.push_back(std::move(cur));
  if (!fields.empty() && fields.back().empty()) fields.pop_back();
  if (!fields.empty() && fields.front().empty()) fields.erase(fields.begin());
  return fields;
}

std::string SatCsvFieldText(std::string_view text) {
  size_t quotes = 0;
  for (char c : text)
    if (c == '"') ++quotes;
  std::string out(text);
  for (char& c : out) {
    if (c == ';')
      c = ',';
    else if (static_cast<unsigned char>(c) < 32 || c == '\'' || (c == '"' && quotes % 2 != 0))
      c = ' ';
  }
  return out;
}

bool WriteTextLinesAtomically(const std::string& fileName, const std::vector<std::string>& lines) {
  if (fileName.empty()) return false;
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  std::string tmpl = fileName + ".XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return false;
  std::string text;
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0)
      ok = false;
    else
      done += static_cast<size_t>(w);
  }
  if (ok) ok = ::fsync(fd) == 0;
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  if (ok) {
    mode_t mode = 0644;
    if (::stat(fileName.c_str(), &st) == 0) mode = st.st_mode & 07777;
    ::fchmod(fd, mode);
  }
  if (::close(fd) != 0) ok = false;
  if (ok) ok = std::rename(tmpl.c_str(), fileName.c_str()) == 0;
  if (!ok) ::unlink(tmpl.c_str());
  return ok;
}

}  // namespace satfiles
