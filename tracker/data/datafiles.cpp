#include "datafiles.h"

#include "fileio.h"
#include "texthelpers.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
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

namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// Bytes a UTF-8 sequence takes by its first byte; 0 for a byte that cannot start one.
size_t SequenceLength(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 0;
}

// Where the last whole UTF-8 sequence of a block ends: a sequence cut by the block's end starts
// the next block.
size_t WholeSequencesEnd(std::string_view block) {
  size_t back = 0;
  while (back < 3 && back < block.size() && (static_cast<unsigned char>(block[block.size() - 1 - back]) & 0xC0) == 0x80)
    ++back;
  if (back == block.size()) return block.size();
  const size_t lead = block.size() - 1 - back;
  const size_t need = SequenceLength(static_cast<unsigned char>(block[lead]));
  return need > back + 1 ? lead : block.size();
}

}  // namespace

TReadResult ForEachTextLine(const std::string& fileName, std::uint64_t maxBytes,
                            const std::function<void(std::string_view)>& line) {
  struct stat st {};
  if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return TReadResult::CannotRead;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return TReadResult::TooLarge;
  TFile f(std::fopen(fileName.c_str(), "rb"));
  if (!f) return TReadResult::CannotRead;
  std::vector<char> buffer(65536);

  // First pass: is the file UTF-8 holding more than ASCII (then it is decoded)? Only a block and
  // the cut sequence at its end are held.
  bool multi = false, valid = true, first = true;
  std::uint64_t total = 0;
  std::string carry;
  for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), f.get())) > 0;) {
    total += n;
    if (total > maxBytes) return TReadResult::TooLarge;  // grown since it was looked at
    std::string_view block(buffer.data(), n);
    if (first && block.substr(0, 3) == "\xEF\xBB\xBF") multi = true;
    first = false;
    for (char c : block)
      if (static_cast<unsigned char>(c) >= 0x80) {
        multi = true;
        break;
      }
    if (!valid) continue;
    carry.append(block);
    const size_t end = WholeSequencesEnd(carry);
    if (!IsValidUtf8(std::string_view(carry).substr(0, end))) valid = false;
    carry.erase(0, end);
  }
  if (std::ferror(f.get())) return TReadResult::CannotRead;
  if (!carry.empty()) valid = false;
  const bool decode = multi && valid;

  // Second pass: line by line, each line decoded on its own, which gives what decoding the
  // whole text gives (a line end never falls inside a sequence).
  std::rewind(f.get());
  std::string current, converted;
  bool pendingCr = false, atStart = true, any = false;
  auto emit = [&] {
    if (!decode) {
      line(current);
    } else {
      // A byte order mark is dropped at the start of the file only.
      if (!atStart && current.compare(0, 3, "\xEF\xBB\xBF") == 0)
        converted = Utf8ToAnsi(" " + current).substr(1);
      else
        converted = Utf8ToAnsi(current);
      line(converted);
    }
    atStart = false;
    current.clear();
    any = false;
  };
  for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), f.get())) > 0;) {
    for (size_t i = 0; i < n;) {
      const char c = buffer[i];
      if (pendingCr) {
        pendingCr = false;
        if (c == '\n') {
          ++i;
          continue;
        }
      }
      if (c == '\r' || c == '\n') {
        emit();
        pendingCr = c == '\r';
        ++i;
        continue;
      }
      size_t stop = i;
      while (stop < n && buffer[stop] != '\r' && buffer[stop] != '\n') ++stop;
      current.append(buffer.data() + i, stop - i);
      any = true;
      i = stop;
    }
  }
  if (std::ferror(f.get())) return TReadResult::CannotRead;
  if (any) emit();
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
