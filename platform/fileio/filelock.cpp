// The locks that make saves of one file take turns, and the path a save writes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "fileio.h"
#include "fileio_detail.h"

namespace fileio {
namespace {

using detail::NameOf;
using detail::PathHash;
using detail::Reason;

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

// Where the lock of one file lives: a lock file of ours (made and removed by the locks), or the
// file itself.
struct TLockPlace {
  std::string path;
  bool ownFile = true;
};

// Every copy of the program run by one user shares the lock of a file, wherever it was started
// from: the place depends on the user's id and the file alone, never on the environment (a
// desktop session and a terminal set XDG_RUNTIME_DIR, HOME and XDG_DATA_HOME differently).
TLockPlace LockPlaceFor(const std::string& target) {
  const std::string shared = "/tmp/velmar-locks-" + std::to_string(::geteuid());
  if (UsableLockFolder(shared)) {
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.lock", static_cast<unsigned long long>(PathHash(target)));
    return {shared + "/" + name, true};
  }
  // That folder refused (another user's, or a link): a lock file beside the file, and in a
  // folder that takes no new file the file itself, which is then written in place and so stays
  // the same file.
  const std::string folder = FolderOf(target);
  if (::access(folder.c_str(), W_OK) == 0) {
    std::string name = NameOf(target);
    if (name.size() > 200) name.resize(200);
    return {(folder == "/" ? "" : folder) + "/." + name + ".velmar-lock", true};
  }
  return {target, false};
}

// The locks this process holds: lock file -> holding thread, count, descriptor.
struct THeldLock {
  std::thread::id owner;
  int count = 0;
  int fd = -1;
  bool ownFile = true;
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

bool AcquireLock(const TLockPlace& place, std::string& error) {
  const std::string& lockPath = place.path;
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
      // Nothing planted in the lock's place is followed or waited on: no link, no pipe.
      fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (place.ownFile ? O_CREAT : 0), 0600);
      if (fd < 0) {
        error = "cannot open the lock file " + lockPath + ": " + Reason(errno);
        return false;
      }
      struct stat st {};
      if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "the lock file " + lockPath + " is not a regular file";
        drop();
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
          HeldLocks()[lockPath] = THeldLock{std::this_thread::get_id(), 1, fd, place.ownFile};
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
  const bool ownFile = it->second.ownFile;
  HeldLocks().erase(it);
  // Nobody waits: a lock file goes (one who opened it meanwhile sees it gone and starts anew).
  if (ownFile && !ByteTaken(fd, kWaitingByte)) ::unlink(lockPath.c_str());
  ::close(fd);
}

}  // namespace

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
    const TLockPlace place = LockPlaceFor(target);
    lockPath_ = place.path;
    held_ = AcquireLock(place, error_);
  } catch (...) {
    error_ = "out of memory";
  }
}

TFileLock::~TFileLock() {
  if (held_) ReleaseLock(lockPath_);
}

}  // namespace fileio
