#include "fileio.h"
#include "fileio_detail.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace fileio {
namespace detail {

std::string Reason(int err) {
  char buf[256];
  const char* text = ::strerror_r(err, buf, sizeof buf);  // GNU form: returns the text
  std::string s = text ? text : "unknown error";
  if (!s.empty() && s[0] >= 'A' && s[0] <= 'Z') s[0] = static_cast<char>(s[0] - 'A' + 'a');
  return s;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
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

std::uint64_t PathHash(const std::string& path) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (char c : path) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

}  // namespace detail

namespace {

using detail::MakeFolders;
using detail::NameOf;
using detail::PathHash;
using detail::Reason;

constexpr const char* kBackupMagic = "velmar-backup\n";
constexpr const char* kOldDownloadPrefix = ".velmar-download-";
// A file written in place is read whole first; settings are far smaller than this.
constexpr std::size_t kMaxInPlaceBytes = 64u << 20;

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

std::string BackupPathFor(const std::string& path) {
  const std::string folder = BackupFolder();
  if (folder.empty()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.bak", static_cast<unsigned long long>(PathHash(path)));
  return folder + "/" + name;
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
    // Started without HOME (a job, a service): the home folder the user account names.
    std::vector<char> buf(16384);
    struct passwd pw {}, *found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && pw.pw_dir &&
        pw.pw_dir[0] == '/')
      return std::string(pw.pw_dir) + "/.local/share/velmar/backup";
  } catch (...) {
  }
  return {};
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
