#include "velmar_registry.h"

#include "fileio.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace velmar::registry {
namespace {

constexpr std::string_view kHeader = "VELMAR-REGISTRY 1";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Lower(c);
  return r;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// Removes separators at both ends; refuses an empty path and empty names in between.
bool Normalise(std::string_view key, std::string& out) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  if (key.empty() || key.find("\\\\") != std::string_view::npos) return false;
  out.assign(key);
  return true;
}

std::string Quote(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string r = "\"";
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\': r += "\\\\"; break;
      case '"': r += "\\\""; break;
      case '\n': r += "\\n"; break;
      case '\r': r += "\\r"; break;
      case '\t': r += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          r += "\\x";
          r += hex[c >> 4];
          r += hex[c & 15];
        } else {
          r += ch;
        }
    }
  }
  r += '"';
  return r;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads one quoted string at `pos`; advances past it.
bool Unquote(std::string_view line, size_t& pos, std::string& out) {
  out.clear();
  if (pos >= line.size() || line[pos] != '"') return false;
  ++pos;
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) return false;
    char e = line[pos++];
    switch (e) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        if (pos + 2 > line.size()) return false;
        int h = HexValue(line[pos]), l = HexValue(line[pos + 1]);
        if (h < 0 || l < 0) return false;
        out += static_cast<char>(h * 16 + l);
        pos += 2;
        break;
      }
      default: return false;
    }
  }
  return false;
}

// ---- the file ----------------------------------------------------------------------------

// Why the last operation of this thread failed, in words naming the file.
thread_local std::string tErrorText;

Status Fail(Status s, const std::string& text) {
  tErrorText = text;
  return s;
}

// Reads the file, counting the bytes against kMaxFileBytes (the size a file states is not
// trusted). Only a regular file is read; opening never waits on a pipe.
Status ReadWhole(const std::string& path, std::string& text, bool& exists) {
  text.clear();
  exists = false;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return Status::Ok;
    return Fail(Status::IoError, "The registry file " + path + " cannot be read");
  }
  exists = true;
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return Fail(Status::IoError, "The registry file " + path + " is not a regular file");
  }
  char buf[65536];
  for (;;) {
    // At the limit a further block is asked for: a file of exactly the limit is read whole.
    const size_t want = text.size() < kMaxFileBytes ? std::min(sizeof buf, kMaxFileBytes - text.size()) : sizeof buf;
    ssize_t n = ::read(fd, buf, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      text.clear();
      return Fail(Status::IoError, "The registry file " + path + " cannot be read");
    }
    if (n == 0) break;
    if (text.size() >= kMaxFileBytes) {
      ::close(fd);
      std::string().swap(text);
      return Fail(Status::TooLarge, "The registry file " + path + " is larger than " +
                                        std::to_string(kMaxFileBytes >> 20) + " MB");
    }
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return Status::Ok;
}

bool MakeFolders(const std::string& file) {
  size_t slash = file.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  std::string dir = file.substr(0, slash);
  for (size_t p = 1; p <= dir.size(); ++p) {
    if (p == dir.size() || dir[p] == '/') {
      std::string part = dir.substr(0, p);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The change replaces the file through the one safe path; temporaries a killed writer left
// beside it are cleared on the way.
Status WriteAtomically(const std::string& path, const std::string& text) {
  fileio::RemoveStaleTemporaries(fileio::FolderOf(path));
  return fileio::ReplaceFile(path, text) ? Status::Ok : Status::IoError;
}

// A lock on "<file>.lock" beside the file the path resolves to (links followed), so that every
// path to one file shares one lock; waited for at most kLockWaitSeconds.
class FileLock {
 public:
  FileLock(const std::string& file, bool exclusive) : name_(LockName(file)) {
    if (name_.empty()) return;
    fd_ = ::open(name_.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd_ < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kLockWaitSeconds);
    while (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
      const int error = errno;
      if (error == EINTR) continue;
      if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
        busy_ = error == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
        return;
      }
      struct timespec pause {0, 10 * 1000 * 1000};  // 10 ms between tries
      ::nanosleep(&pause, nullptr);
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }
  const std::string& name() const { return name_; }
  // Another process held the lock for the whole wait.
  bool busy() const { return busy_; }
  Status BusyStatus() const {
    return Fail(Status::Busy, "The registry lock file " + name_ + " is held by another program (gave up after " +
                                  std::to_string(kLockWaitSeconds) + " s)");
  }

 private:
  // Empty when there is nothing to lock: the links loop, or they lead to something other than
  // a file (a pipe, a device), which is never read or written.
  static std::string LockName(const std::string& file) {
    const std::string target = fileio::SaveTarget(file);
    struct stat st {};
    if (target.empty() || (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))) return std::string();
    return target + ".lock";
  }

  std::string name_;
  int fd_ = -1;
  bool busy_ = false;
};

Status Load(const std::string& path, Hive& hive) {
  std::string text;
  bool exists = false;
  Status s = ReadWhole(path, text, exists);
  if (s != Status::Ok) return s;
  hive = Hive();
  if (!exists) return Status::Ok;
  s = Hive::Parse(text, hive);
  if (s != Status::Ok) return Fail(s, "The registry file " + path + " is damaged");
  return s;
}

Status Read(const std::function<Status(const Hive&)>& fn) {
  tErrorText.clear();
  try {
    std::string path = FilePath();
    if (path.empty()) return Fail(Status::IoError, "No folder for the registry file");
    FileLock lock(path, false);  // without a folder there is nothing to lock and nothing to read
    if (lock.busy()) return lock.BusyStatus();
    Hive hive;
    Status s = Load(path, hive);
    if (s != Status::Ok) return s;
    return fn(hive);
  } catch (...) {
    return Status::IoError;
  }
}

Status Modify(const std::function<Status(Hive&)>& fn) {
  tErrorText.clear();
  try {
    std::string path = FilePath();
    if (path.empty()) return Fail(Status::IoError, "No folder for the registry file");
    if (!MakeFolders(path)) return Fail(Status::IoError, "The folder of the registry file " + path + " cannot be made");
    FileLock lock(path, true);
    if (lock.busy()) return lock.BusyStatus();
    Hive hive;
    Status s = Load(path, hive);  // a file that cannot be used says why first
    if (s != Status::Ok) return s;
    if (!lock.held()) return Fail(Status::IoError, "The registry lock file " + lock.name() + " cannot be opened");
    s = fn(hive);
    if (s != Status::Ok) return s;
    s = WriteAtomically(path, hive.Serialize());
    if (s != Status::Ok) return Fail(s, "The registry file " + path + " cannot be written");
    return s;
  } catch (...) {
    return Status::IoError;
  }
}

}  // namespace

const char* StatusText(Status s) {
  switch (s) {
    case Status::Ok: return "ok";
    case Status::NotFound: return "not found";
    case Status::HasSubKeys: return "key has sub-keys";
    case Status::InvalidName: return "invalid key name";
    case Status::IoError: return "registry file cannot be read or written";
    case Status::BadFile: return "registry file is damaged";
    case Status::Busy: return "registry is locked by another process";
    case Status::TooLarge: return "registry file is too large";
  }
  return "unknown";
}

std::string LastErrorText() { return tErrorText; }

std::string FilePath() {
  const char* env = std::getenv("VELMAR_REGISTRY");
  if (env && *env) return env;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/velmar/registry";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/share/velmar/registry";
  return std::string();
}

// ---- Hive --------------------------------------------------------------------------------

Status Hive::Create(std::string_view key) {
  std::string path;
  if (!Normalise(key, path)) return Status::InvalidName;
  size_t pos = 0;
  for (;;) {
    size_t sep = path.find('\\', pos);
    std::string prefix = path.substr(0, sep);
    std::string lower = LowerText(prefix);
    if (keys_.find(lower) == keys_.end()) keys_.emplace(lower, Key{prefix, {}});
    if (sep == std::string::npos) break;
    pos = sep + 1;
  }
  return Status::Ok;
}

bool Hive::Exists(std::string_view key) const {
  std::string path;
  return Normalise(key, path) && keys_.count(LowerText(path)) != 0;
}

Status Hive::Set(std::string_view key, std::string_view name, std::string_view data) {
  Status s = Create(key);
  if (s != Status::Ok) return s;
  std::string path;
  Normalise(key, path);
  Key& k = keys_[LowerText(path)];
  for (Value& v : k.values) {
    if (EqualNoCase(v.name, name)) {
      v.data.assign(data);
      return Status::Ok;
    }
  }
  k.values.push_back(Value{std::string(name), std::string(data)});
  return Status::Ok;
}

Status Hive::Get(std::string_view key, std::string_view name, std::string& data) const {
  std::string path;
  if (!Normalise(key, path)) return Status::InvalidName;
  auto it = keys_.find(LowerText(path));
  if (it == keys_.end()) return Status::NotFound;
  for (const Value& v : it->second.values) {
    if (EqualNoCase(v.name, name)) {
      data = v.data;
      return Status::Ok;
    }
  }
  return Status::NotFound;
}

Status Hive::RemoveValue(std::string_view key, std::string_view name) {
  std::string path;
  if (!Normalise(key, path)) return Status::InvalidName;
  auto it = keys_.find(LowerText(path));
  if (it == keys_.end()) return Status::NotFound;
  auto& values = it->second.values;
  for (auto v = values.begin(); v != values.end(); ++v) {
    if (EqualNoCase(v->name, name)) {
      values.erase(v);
      return Status::Ok;
    }
  }
  return Status::NotFound;
}

Status Hive::Remove(std::string_view key) {
  std::string path;
  if (!Normalise(key, path)) return Status::InvalidName;
  std::string lower = LowerText(path);
  auto it = keys_.find(lower);
  if (it == keys_.end()) return Status::NotFound;
  // Every path beginning with this key's path follows it in the sorted map; '\\' sorts after
  // some punctuation, so a sub-key need not be the next entry.
  for (auto j = std::next(it); j != keys_.end() && j->first.compare(0, lower.size(), lower) == 0; ++j)
    if (j->first.size() > lower.size() && j->first[lower.size()] == '\\') return Status::HasSubKeys;
  keys_.erase(it);
  return Status::Ok;
}

std::vector<std::string> Hive::Keys() const {
  std::vector<std::string> r;
  r.reserve(keys_.size());
  for (const auto& [lower, k] : keys_) r.push_back(k.path);
  return r;
}

std::vector<std::string> Hive::Children(std::string_view key) const {
  std::vector<std::string> r;
  std::string path;
  std::string prefix;
  if (!key.empty()) {
    if (!Normalise(key, path)) return r;
    prefix = LowerText(path) + "\\";
  }
  for (const auto& [lower, k] : keys_) {
    if (lower.compare(0, prefix.size(), prefix) != 0 || lower.size() == prefix.size()) continue;
    std::string_view rest(k.path);
    rest.remove_prefix(prefix.size());
    if (rest.find('\\') == std::string_view::npos) r.emplace_back(rest);
  }
  return r;
}

std::string Hive::Serialize() const {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [lower, k] : keys_) {
    out += "key " + Quote(k.path) + "\n";
    for (const Value& v : k.values) out += "value " + Quote(v.name) + " " + Quote(v.data) + "\n";
  }
  return out;
}

Status Hive::Parse(std::string_view text, Hive& out) {
  Hive h;
  std::string current;  // normalised path of the key being read
  bool haveKey = false;
  bool first = true;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (line != kHeader) return Status::BadFile;
      first = false;
      continue;
    }
    if (line.empty()) continue;
    size_t pos = 0;
    if (line.substr(0, 4) == "key ") {
      pos = 4;
      std::string path;
      if (!Unquote(line, pos, path) || pos != line.size()) return Status::BadFile;
      if (h.Create(path) != Status::Ok) return Status::BadFile;
      Normalise(path, current);
      haveKey = true;
    } else if (line.substr(0, 6) == "value ") {
      pos = 6;
      std::string name, data;
      if (!haveKey || !Unquote(line, pos, name) || pos >= line.size() || line[pos] != ' ') return Status::BadFile;
      ++pos;
      if (!Unquote(line, pos, data) || pos != line.size()) return Status::BadFile;
      h.Set(current, name, data);
    } else {
      return Status::BadFile;
    }
  }
  if (first) return Status::BadFile;  // an existing file must at least carry the header
  out = std::move(h);
  return Status::Ok;
}

// ---- operations on the file --------------------------------------------------------------

Status CreateKey(std::string_view key) {
  return Modify([&](Hive& h) { return h.Create(key); });
}

Status KeyExists(std::string_view key) {
  return Read([&](const Hive& h) { return h.Exists(key) ? Status::Ok : Status::NotFound; });
}

Status SetValue(std::string_view key, std::string_view name, std::string_view value) {
  return Modify([&](Hive& h) { return h.Set(key, name, value); });
}

Status GetValue(std::string_view key, std::string_view name, std::string& value) {
  return Read([&](const Hive& h) { return h.Get(key, name, value); });
}

Status DeleteValue(std::string_view key, std::string_view name) {
  return Modify([&](Hive& h) { return h.RemoveValue(key, name); });
}

Status DeleteKey(std::string_view key) {
  return Modify([&](Hive& h) { return h.Remove(key); });
}

Status ListKeys(std::vector<std::string>& keys) {
  return Read([&](const Hive& h) {
    keys = h.Keys();
    return Status::Ok;
  });
}

Status SubKeys(std::string_view key, std::vector<std::string>& names) {
  return Read([&](const Hive& h) {
    if (!key.empty() && !h.Exists(key)) return Status::NotFound;
    names = h.Children(key);
    return Status::Ok;
  });
}

}  // namespace velmar::registry
