#include "fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace fileio {
namespace {

constexpr const char* kBackupMagic = "velmar-backup\n";
constexpr const char* kOldDownloadPrefix = ".velmar-download-";
// A file written in place is read whole first; settings are far smaller than this.
constexpr std::size_t kMaxInPlaceBytes = 64u << 20;

std::string Reason(int err) {
  char buf[256];
  const char* text = ::strerror_r(err, buf, sizeof buf);  // GNU form: returns the text
  std::string s = text ? text : "unknown error";
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
  return s;
}

void SetError(std::string* error, const std::string& text) {
  if (error) {
    try {
      *error = text;
    } catch (...) {
    }
  }
}

bool WriteAllAt(int fd, std::string_view data, off_t offset, int& err) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    if (n == 0) {
      err = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads a whole regular file of at most maxBytes.
bool ReadAll(const std::string& path, std::string& out, std::size_t maxBytes, int& err) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > maxBytes) {
    err = S_ISREG(st.st_mode) ? EFBIG : EISDIR;
    ::close(fd);
    return false;
  }
  try {
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        err = errno;
        ::close(fd);
        return false;
      }
      if (n == 0) break;
      if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
        err = EFBIG;
        ::close(fd);
        return false;
      }
      out.append(buf, static_cast<std::size_t>(n));
    }
  } catch (...) {
    err = ENOMEM;
    ::close(fd);
    return false;
  }
  ::close(fd);
  return true;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

void SyncFolder(const std::string& folder) {
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

bool MakeFolders(const std::string& dir) {
  for (std::size_t p = 1; p <= dir.size(); ++p) {
    if (p == dir.size() || dir[p] == '/') {
      const std::string part = dir.substr(0, p);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

enum class TTempResult { Done, Failed, NoTempFile };

// The temporary file and rename. NoTempFile when the folder refuses the temporary file for
// want of permission (and errno-like `err` tells why).
TTempResult ReplaceViaTemp(const std::string& path, std::string_view bytes, mode_t mode, int& err) {
  const std::string folder = FolderOf(path);
  std::string name = NameOf(path);
  if (name.size() > 200) name.resize(200);
  std::string temp = folder + "/." + name + kTempInfix + "XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    err = errno;
    return (err == EACCES || err == EPERM || err == EROFS) ? TTempResult::NoTempFile : TTempResult::Failed;
  }
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  bool ok = WriteAllAt(fd, bytes, 0, err);
  if (ok && ::fchmod(fd, mode) != 0) {
    // mkstemp's 0600 would do no harm to the data; only a failed write counts.
  }
  if (ok && ::fsync(fd) != 0) {
    err = errno;
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    err = errno;
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    err = errno;
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return TTempResult::Failed;
  }
  SyncFolder(folder);
  return TTempResult::Done;
}

// Writes `bytes` over the file's old contents without a temporary file. The room for the new
// text is reserved first, so running out of space stops the write before anything is changed.
bool WriteOver(const std::string& path, std::string_view bytes, int& err) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    err = EISDIR;
    ::close(fd);
    return false;
  }
  const off_t oldSize = st.st_size;
  const off_t newSize = static_cast<off_t>(bytes.size());
  if (newSize > oldSize) {
    const int rc = ::posix_fallocate(fd, 0, newSize);
    if (rc != 0) {
      err = rc;
      if (::fstat(fd, &st) == 0 && st.st_size != oldSize) (void)!::ftruncate(fd, oldSize);
      ::close(fd);
      return false;
    }
  }
  bool ok = WriteAllAt(fd, bytes, 0, err);
  if (ok && newSize < oldSize && ::ftruncate(fd, newSize) != 0) {
    err = errno;
    ok = false;
  }
  if (ok && ::fsync(fd) != 0) {
    err = errno;
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    err = errno;
    ok = false;
  }
  return ok;
}

std::uint64_t PathHash(const std::string& path);

std::string BackupPathFor(const std::string& path) {
  const std::string folder = BackupFolder();
  if (folder.empty()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.bak", static_cast<unsigned long long>(PathHash(path)));
  return folder + "/" + name;
}

std::uint64_t PathHash(const std::string& path) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : path) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

// ---- locks --------------------------------------------------------------------------------------
//
// A lock file carries two one-byte locks of the open file (they end with the process): byte 0,
// taken exclusively, is the lock itself; byte 1, shared, is the waiting room. A program coming
// anew while others wait joins the room instead of taking a free lock at once, so a program
// saving key after key cannot starve another one.

constexpr off_t kHolderByte = 0;
constexpr off_t kWaitingByte = 1;
constexpr auto kLockPoll = std::chrono::milliseconds(2);

bool SetByteLock(int fd, off_t byte, short type) {
  struct flock lk {};
  lk.l_type = type;
  lk.l_whence = SEEK_SET;
  lk.l_start = byte;
  lk.l_len = 1;
  return ::fcntl(fd, F_OFD_SETLK, &lk) == 0;
}

// Whether another open file holds byte `byte` (in a way that conflicts with a write lock).
bool ByteTaken(int fd, off_t byte) {
  struct flock lk {};
  lk.l_type = F_WRLCK;
  lk.l_whence = SEEK_SET;
  lk.l_start = byte;
  lk.l_len = 1;
  return ::fcntl(fd, F_OFD_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
}

// The file open at fd is still the one named `path` (not removed by a holder that left).
bool StillNamed(int fd, const std::string& path) {
  struct stat a {}, b {};
  return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A folder of this user only, made when missing.
bool UsableLockFolder(const std::string& dir) {
  if (dir.empty() || dir[0] != '/') return false;
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 0022) == 0;
}

std::string LockFolder() {
  try {
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && run[0] == '/') {
      const std::string dir = std::string(run) + "/velmar-locks";
      if (UsableLockFolder(dir)) return dir;
    }
    const std::string dir = "/tmp/velmar-locks-" + std::to_string(::geteuid());
    if (UsableLockFolder(dir)) return dir;
    // A folder of that name taken by another user: the user's data folder.
    const std::string backup = BackupFolder();
    if (!backup.empty() && MakeFolders(FolderOf(backup)) && UsableLockFolder(FolderOf(backup) + "/locks"))
      return FolderOf(backup) + "/locks";
  } catch (...) {
  }
  return {};
}

std::string LockPathFor(const std::string& target) {
  const std::string folder = LockFolder();
  if (folder.empty()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.lock", static_cast<unsigned long long>(PathHash(target)));
  return folder + "/" + name;
}

// The locks this process holds: lock file -> holding thread, count, descriptor.
struct THeldLock {
  std::thread::id owner;
  int count = 0;
  int fd = -1;
};

std::mutex& HeldMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, THeldLock>& HeldLocks() {
  static std::map<std::string, THeldLock> held;
  return held;
}

enum class TMine { No, Again, OtherThread };

TMine TakeAgain(const std::string& lockPath) {
  std::lock_guard<std::mutex> guard(HeldMutex());
  auto it = HeldLocks().find(lockPath);
  if (it == HeldLocks().end()) return TMine::No;
  if (it->second.owner != std::this_thread::get_id()) return TMine::OtherThread;
  ++it->second.count;
  return TMine::Again;
}

bool AcquireLock(const std::string& lockPath, std::string& error) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(kLockWaitSeconds);
  int fd = -1;
  bool waiting = false;
  const auto drop = [&] {
    if (fd >= 0) ::close(fd);
    fd = -1;
    waiting = false;
  };
  for (;;) {
    const TMine mine = TakeAgain(lockPath);
    if (mine == TMine::Again) {
      drop();
      return true;
    }
    if (fd < 0) {
      fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd < 0) {
        error = "cannot open the lock file " + lockPath + ": " + Reason(errno);
        return false;
      }
    }
    if (mine == TMine::No) {
      if (!waiting && ByteTaken(fd, kWaitingByte)) {
        // Others are waiting: this program's turn comes after theirs.
        waiting = SetByteLock(fd, kWaitingByte, F_RDLCK);
      } else if (SetByteLock(fd, kHolderByte, F_WRLCK)) {
        if (!StillNamed(fd, lockPath)) {
          drop();  // the holder removed this file as it left: the lock is the new file
          continue;
        }
        if (waiting) SetByteLock(fd, kWaitingByte, F_UNLCK);
        try {
          std::lock_guard<std::mutex> guard(HeldMutex());
          HeldLocks()[lockPath] = THeldLock{std::this_thread::get_id(), 1, fd};
        } catch (...) {
          drop();
          error = "out of memory";
          return false;
        }
        return true;
      } else if (errno != EAGAIN && errno != EACCES) {
        error = "cannot lock " + lockPath + ": " + Reason(errno);
        drop();
        return false;
      } else if (!waiting) {
        waiting = SetByteLock(fd, kWaitingByte, F_RDLCK);
      }
    }
    if (std::chrono::steady_clock::now() > deadline) {
      drop();
      error = "another program is saving the file and holds its lock " + lockPath;
      return false;
    }
    std::this_thread::sleep_for(kLockPoll);
  }
}

void ReleaseLock(const std::string& lockPath) noexcept {
  std::lock_guard<std::mutex> guard(HeldMutex());
  auto it = HeldLocks().find(lockPath);
  if (it == HeldLocks().end() || --it->second.count > 0) return;
  const int fd = it->second.fd;
  HeldLocks().erase(it);
  // Nobody waits: the file goes (one who opened it meanwhile sees it gone and starts anew).
  if (!ByteTaken(fd, kWaitingByte)) ::unlink(lockPath.c_str());
  ::close(fd);
}

// The target and the old contents held by a backup copy.
bool ReadBackup(const std::string& backup, std::string& target, std::string& old, int& err) {
  std::string all;
  if (!ReadAll(backup, all, kMaxInPlaceBytes + 8192, err)) return false;
  const std::size_t magic = std::strlen(kBackupMagic);
  const std::size_t eol = all.find('\n', magic);
  if (all.compare(0, magic, kBackupMagic) != 0 || eol == std::string::npos) {
    err = EINVAL;
    return false;
  }
  target = all.substr(magic, eol - magic);
  old = all.substr(eol + 1);
  return true;
}

bool Restore(const std::string& path, const std::string& backup, const std::string& old, int& err) {
  std::string now;
  int readErr = 0;
  if (!ReadAll(path, now, kMaxInPlaceBytes, readErr) || now != old) {
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
    const TTempResult r = ReplaceViaTemp(path, old, mode, err);
    if (r == TTempResult::Failed) return false;
    if (r == TTempResult::NoTempFile && !WriteOver(path, old, err)) return false;
  }
  ::unlink(backup.c_str());
  return true;
}

bool RecoverFrom(const std::string& backup, const std::string* expected, int& err) {
  std::string target, old;
  if (!ReadBackup(backup, target, old, err)) {
    if (err == ENOENT) return true;
    return false;
  }
  if (expected && target != *expected) return true;  // another file's copy
  return Restore(target, backup, old, err);
}

bool WriteInPlace(const std::string& path, std::string_view bytes, std::string* error) {
  int err = 0;
  const std::string backup = BackupPathFor(path);
  if (backup.empty()) {
    SetError(error, "no folder for a backup copy");
    return false;
  }
  if (!RecoverFrom(backup, &path, err)) {
    SetError(error, "an earlier save could not be undone: " + Reason(err));
    return false;
  }
  std::string old;
  if (!ReadAll(path, old, kMaxInPlaceBytes, err)) {
    SetError(error, Reason(err));
    return false;
  }
  if (!MakeFolders(BackupFolder())) {
    SetError(error, "cannot create " + BackupFolder());
    return false;
  }
  std::string copy = kBackupMagic;
  copy += path;
  copy += '\n';
  copy += old;
  if (ReplaceViaTemp(backup, copy, 0600, err) != TTempResult::Done) {
    SetError(error, "no room for a backup copy: " + Reason(err));
    return false;
  }
  if (!WriteOver(path, bytes, err)) {
    int undoErr = 0;
    if (WriteOver(path, old, undoErr)) ::unlink(backup.c_str());
    SetError(error, Reason(err));
    return false;
  }
  ::unlink(backup.c_str());
  return true;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BackupFolder() {
  try {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/velmar/backup";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share/velmar/backup";
  } catch (...) {
  }
  return {};
}

std::string SaveTarget(const std::string& path) {
  try {
    if (path.empty()) return {};
    std::string p = path;
    if (p[0] != '/') {
      char* cwd = ::getcwd(nullptr, 0);
      if (!cwd) return {};
      p = std::string(cwd) + "/" + p;
      std::free(cwd);
    }
    for (int hops = 0;; ++hops) {
      struct stat st {};
      if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
      if (hops >= 40) return {};
      std::vector<char> buf(PATH_MAX + 1);
      const ssize_t n = ::readlink(p.c_str(), buf.data(), buf.size() - 1);
      if (n <= 0) return {};
      const std::string link(buf.data(), static_cast<std::size_t>(n));
      p = link[0] == '/' ? link : FolderOf(p) + "/" + link;
    }
    // One spelling per file, so that every save of it shares one lock and one backup copy.
    std::string folder = FolderOf(p);
    const std::string name = NameOf(p);
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
      folder = real;
      std::free(real);
    }
    return folder == "/" ? "/" + name : folder + "/" + name;
  } catch (...) {
    return {};
  }
}

TFileLock::TFileLock(const std::string& path) noexcept {
  try {
    const std::string target = SaveTarget(path);
    if (target.empty()) {
      error_ = "not a file name, or its links loop";
      return;
    }
    lockPath_ = LockPathFor(target);
    if (lockPath_.empty()) {
      error_ = "no folder for lock files";
      return;
    }
    held_ = AcquireLock(lockPath_, error_);
  } catch (...) {
    error_ = "out of memory";
  }
}

TFileLock::~TFileLock() {
  if (held_) ReleaseLock(lockPath_);
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* error) noexcept {
  try {
    const std::string given = NameOf(path);
    if (given.empty() || given == "." || given == "..") {
      SetError(error, "not a file name");
      return false;
    }
    const std::string target = SaveTarget(path);
    const std::string name = NameOf(target);
    if (target.empty() || name.empty() || name == "." || name == "..") {
      SetError(error, "too many levels of symbolic links");
      return false;
    }
    const TFileLock lock(target);
    if (!lock.Held()) {
      SetError(error, lock.Error());
      return false;
    }
    struct stat st {};
    mode_t mode = NewFileMode();
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
      if (!S_ISREG(st.st_mode)) {
        SetError(error, "not a regular file");
        return false;
      }
      mode = st.st_mode & 07777;
    }
    int err = 0;
    switch (ReplaceViaTemp(target, bytes, mode, err)) {
      case TTempResult::Done: return true;
      case TTempResult::Failed: SetError(error, Reason(err)); return false;
      case TTempResult::NoTempFile: break;
    }
    // The folder takes no new file: the file itself may still be writable.
    if (!exists || ::access(target.c_str(), W_OK) != 0) {
      SetError(error, Reason(err));
      return false;
    }
    return WriteInPlace(target, bytes, error);
  } catch (...) {
    SetError(error, "out of memory");
    return false;
  }
}

bool RecoverInterruptedSave(const std::string& path) noexcept {
  try {
    const std::string target = SaveTarget(path);
    if (target.empty()) return true;
    const std::string backup = BackupPathFor(target);
    if (backup.empty()) return true;
    struct stat st {};
    if (::stat(backup.c_str(), &st) != 0) return true;  // the usual case: nothing was cut short
    // Only the holder of the lock may put a copy back: a copy another program is still
    // writing under its lock is not a cut save.
    const TFileLock lock(target);
    if (!lock.Held()) return false;
    int err = 0;
    return RecoverFrom(backup, &target, err);
  } catch (...) {
    return false;
  }
}

int RecoverInterruptedSaves() noexcept {
  int restored = 0;
  try {
    const std::string folder = BackupFolder();
    if (folder.empty()) return 0;
    RemoveStaleTemporaries(folder);  // copies whose own writing was cut short
    std::vector<std::string> copies;
    if (DIR* d = ::opendir(folder.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n.size() == 20 && n.compare(16, 4, ".bak") == 0) copies.push_back(folder + "/" + n);
      }
      ::closedir(d);
    }
    for (const std::string& backup : copies) {
      int err = 0;
      std::string target, old;
      if (!ReadBackup(backup, target, old, err)) continue;
      // A copy of an older version naming a relative path cannot tell which file it belongs to.
      if (target.empty() || target[0] != '/') continue;
      const TFileLock lock(target);
      if (!lock.Held()) continue;
      // Read again under the lock: the copy's writer may have finished meanwhile.
      if (!ReadBackup(backup, target, old, err)) continue;
      if (Restore(target, backup, old, err)) ++restored;
    }
  } catch (...) {
  }
  return restored;
}

int RemoveStaleTemporaries(const std::string& folder, double maxAgeSeconds) noexcept {
  int removed = 0;
  try {
    const std::string dir = folder.empty() ? std::string(".") : folder;
    const std::string base = dir.back() == '/' ? dir : dir + "/";
    const std::size_t infix = std::strlen(kTempInfix);
    const std::size_t oldPrefix = std::strlen(kOldDownloadPrefix);
    std::vector<std::string> stale;
    const double now = static_cast<double>(std::time(nullptr));
    if (DIR* d = ::opendir(dir.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        const std::size_t at = n.size() >= infix + 6 ? n.size() - 6 - infix : std::string::npos;
        const bool ours = (n.size() > 1 && n[0] == '.' && at != std::string::npos && at > 1 &&
                           n.compare(at, infix, kTempInfix) == 0) ||
                          (n.size() == oldPrefix + 6 && n.compare(0, oldPrefix, kOldDownloadPrefix) == 0);
        if (!ours) continue;
        struct stat st {};
        const std::string path = base + n;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - static_cast<double>(st.st_mtime) > maxAgeSeconds) stale.push_back(path);
      }
      ::closedir(d);
    }
    for (const std::string& path : stale)
      if (::unlink(path.c_str()) == 0) ++removed;
  } catch (...) {
  }
  return removed;
}

}  // namespace fileio
