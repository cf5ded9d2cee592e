// A second process holding an flock on a file, for tests of what waits on it: the child takes the
// lock, says so over a pipe, and keeps it until the holder is destroyed (which closes the pipe the
// child waits on, then reaps it).
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class TLockHolder {
 public:
  explicit TLockHolder(const std::string& lockFile) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'L' : 'E';
      if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
      char c;
      while (::read(release[0], &c, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char c = 0;
    held_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1 && c == 'L';
    ::close(ready[0]);
  }
  ~TLockHolder() { Release(); }
  TLockHolder(const TLockHolder&) = delete;
  TLockHolder& operator=(const TLockHolder&) = delete;

  // True once the child holds the lock.
  bool Held() const { return held_; }
  // Lets the child go and waits for it to end.
  void Release() {
    if (release_ >= 0) ::close(release_);
    release_ = -1;
    if (pid_ > 0) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};
