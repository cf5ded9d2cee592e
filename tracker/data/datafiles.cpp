#include "datafiles.h"

#include "fileio.h"
#include "texthelpers.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace satfiles {

namespace {

struct TFd {
  int Fd = -1;
  ~TFd() {
    if (Fd >= 0) ::close(Fd);
  }
};

// Opens a regular file for reading; -1 for anything else (a folder, a pipe, a device, a missing
// file). The opened descriptor is what is checked, and opening never waits on a pipe.
int OpenRegularFile(const std::string& fileName) {
  if (fileName.empty()) return -1;
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads up to n bytes; -1 on an error.
ssize_t ReadSome(int fd, char* buffer, size_t n) {
  ssize_t got;
  do got = ::read(fd, buffer, n);
  while (got < 0 && errno == EINTR);
  return got;
}

// Reads the next block of at most buffer.size() bytes, counting them against the limit: the size
// a file states is not trusted (one of the proc file system states 0 and may never end).
// Returns the number of bytes (0 at the end), or sets `result` to TooLarge or CannotRead.
size_t ReadBlock(int fd, std::vector<char>& buffer, std::uint64_t maxBytes, std::uint64_t& total, TReadResult& result) {
  if (total >= maxBytes) {
    // A read past the limit tells "exactly the limit" from "more" (a whole block: some files of
    // the proc file system refuse reads of odd sizes).
    const ssize_t n = ReadSome(fd, buffer.data(), buffer.size());
    if (n != 0) result = n > 0 ? TReadResult::TooLarge : TReadResult::CannotRead;
    return 0;
  }
  const size_t want = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), maxBytes - total));
  const ssize_t n = ReadSome(fd, buffer.data(), want);
  if (n < 0) {
    result = TReadResult::CannotRead;
    return 0;
  }
  total += static_cast<std::uint64_t>(n);
  return static_cast<size_t>(n);
}

}  // namespace

TReadResult ReadFileBytes(const std::string& fileName, std::uint64_t maxBytes, std::string& bytes) {
  bytes.clear();
  TFd f{OpenRegularFile(fileName)};
  if (f.Fd < 0) return TReadResult::CannotRead;
  struct stat st {};
  if (::fstat(f.Fd, &st) == 0 && st.st_size > 0)
    bytes.reserve(static_cast<size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes)));
  std::vector<char> buffer(65536);
  std::uint64_t total = 0;
  TReadResult result = TReadResult::Ok;
  for (size_t n; (n = ReadBlock(f.Fd, buffer, maxBytes, total, result)) > 0;) bytes.append(buffer.data(), n);
  if (result != TReadResult::Ok) std::string().swap(bytes);
  return result;
}

TReadResult ReadTextLines(const std::string& fileName, std::uint64_t maxBytes, std::vector<std::string>& lines) {
  lines.clear();
  std::string bytes;
  const TReadResult result = ReadFileBytes(fileName, maxBytes, bytes);
  if (result == TReadResult::Ok) lines = SplitLines(FileTextToAnsi(bytes));
  return result;
}

bool ReadTextLines(const std::string& fileName, std::vector<std::string>& lines) {
  return ReadTextLines(fileName, kMaxDataFileBytes, lines) == TReadResult::Ok;
}

std::string ReadFailureText(TReadResult result, std::uint64_t maxBytes) {
  switch (result) {
    case TReadResult::Ok: return std::string();
    case TReadResult::CannotRead: return "cannot be read";
    case TReadResult::TooLarge: return "larger than " + std::to_string(maxBytes >> 20) + " MB";
  }
  return std::string();
}

namespace {

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
  TFd f{OpenRegularFile(fileName)};
  if (f.Fd < 0) return TReadResult::CannotRead;
  struct stat st {};
  if (::fstat(f.Fd, &st) != 0) return TReadResult::CannotRead;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return TReadResult::TooLarge;
  std::vector<char> buffer(65536);
  TReadResult result = TReadResult::Ok;

  // First pass: is the file UTF-8 holding more than ASCII (then it is decoded)? Only a block and
  // the cut sequence at its end are held.
  bool multi = false, valid = true, first = true;
  std::uint64_t total = 0;
  std::string carry;
  for (size_t n; (n = ReadBlock(f.Fd, buffer, maxBytes, total, result)) > 0;) {
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
  if (result != TReadResult::Ok) return result;
  if (!carry.empty()) valid = false;
  const bool decode = multi && valid;

  // Second pass: line by line, each line decoded on its own, which gives what decoding the
  // whole text gives (a line end never falls inside a sequence). The file is counted again: it
  // may have grown in between.
  if (::lseek(f.Fd, 0, SEEK_SET) != 0) return TReadResult::CannotRead;
  total = 0;
  std::string current, converted;
  bool pendingCr = false, atStart = true, any = false;
  auto emit = [&] {
    if (decode && current.size() == kMaxLineBytes) current.resize(WholeSequencesEnd(current));
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
  for (size_t n; (n = ReadBlock(f.Fd, buffer, maxBytes, total, result)) > 0;) {
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
      current.append(buffer.data() + i, std::min(stop - i, kMaxLineBytes - current.size()));
      any = true;
      i = stop;
    }
  }
  if (result != TReadResult::Ok) return result;
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
