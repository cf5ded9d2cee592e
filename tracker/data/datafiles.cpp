#include "datafiles.h"

#include "fileio.h"
#include "texthelpers.h"

#include <cerrno>
#include <cstdint>
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

TReadResult ForEachTextLine(const std::string& fileName, std::uint64_t maxBytes,
                            const std::function<void(std::string_view)>& line) {
  struct stat st {};
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return TReadResult::CannotRead;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return TReadResult::TooLarge;
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (!f) return TReadResult::CannotRead;
  // One copy of the file's bytes (at most maxBytes), never a string per line.
  std::string bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  size_t n;
  bool tooLarge = false;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (bytes.size() + n > maxBytes) {
      tooLarge = true;  // grown since it was looked at
      break;
    }
    bytes.append(buffer, n);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (tooLarge) return TReadResult::TooLarge;
  if (failed) return TReadResult::CannotRead;
  bool multi = std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF";
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) {
      multi = true;
      break;
    }
  const bool decode = multi && IsValidUtf8(bytes);
  const std::string_view all(bytes);
  std::string converted;
  size_t start = 0, i = 0;
  auto emit = [&](std::string_view raw, bool first) {
    if (!decode) {
      line(raw);
      return;
    }
    // As the whole text would convert: a byte order mark is dropped at the start of the file only.
    if (!first && raw.substr(0, 3) == "\xEF\xBB\xBF")
      converted = Utf8ToAnsi(std::string(" ") + std::string(raw)).substr(1);
    else
      converted = Utf8ToAnsi(raw);
    line(converted);
  };
  while (i < all.size()) {
    const char c = all[i];
    if (c == '\r' || c == '\n') {
      emit(all.substr(start, i - start), start == 0);
      if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < all.size()) emit(all.substr(start), start == 0);
  return TReadResult::Ok;
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
  std::string text;
  std::size_t size = 0;
  for (const std::string& l : lines) size += l.size() + 2;
  text.reserve(size);
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  return fileio::ReplaceFile(fileName, text);
}

}  // namespace satfiles
