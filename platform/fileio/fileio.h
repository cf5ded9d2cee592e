// Replacing a user's file safely: the one way every writer of the programs stores a file.
//
// The new contents go to a temporary file beside the target ("." + name + ".velmar-tmp-XXXXXX"),
// every write, the sync and the close are checked, and only then is the temporary file renamed
// over the target. On any failure the temporary file is removed, the target is left exactly as
// it was and the caller gets false with a short reason.
//
// A folder that cannot take a temporary file while the target itself is writable (settings in a
// read-only folder) is written in place, but only after a copy of the old contents has been
// stored in the user's data folder ($XDG_DATA_HOME/velmar/backup, or
// ~/.local/share/velmar/backup, with the account's home folder when HOME is not set); the space
// for the new text is reserved before a byte of the old one is overwritten. The copy is removed
// when the new text is complete. A copy that is still there names a save that was cut short:
// RecoverInterruptedSave puts the old contents back.
//
// A save holds the file's lock (see TFileLock) from before it reads anything until the new text
// is complete, so two programs saving the same file take turns, and a copy in the backup folder
// exists only while its writer holds the lock: a copy found by the holder of the lock was left by
// a writer that died. Paths are made absolute and links followed before anything is written, so
// a link stays a link and its target is replaced, and a copy names the file it belongs to
// whatever the working folder.
//
// No Qt; no function throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fileio {

// The part of a temporary file's name after the target's name.
inline constexpr const char* kTempInfix = ".velmar-tmp-";

// Replaces the file at `path` with `bytes`. A new file gets the usual permissions (0666 less
// the umask), a replaced one keeps its own. `error` (when given) receives a short reason on
// failure, for example "no space left on device".
bool ReplaceFile(const std::string& path, std::string_view bytes, std::string* error = nullptr) noexcept;

// The folder holding the copies of files being written in place (without a trailing '/').
std::string BackupFolder();

// Puts back the old contents of `path` when a save of it in place was cut short (a copy for it
// is in the backup folder); the copy is removed afterwards. True when there was nothing to do or
// the file was restored; false when a copy exists but could not be put back (it is kept).
bool RecoverInterruptedSave(const std::string& path) noexcept;

// RecoverInterruptedSave for every copy in the backup folder (and stale temporaries there are
// removed); the number of files restored.
int RecoverInterruptedSaves() noexcept;

// Removes this program's temporary files in `folder` (of the naming above, or of the older
// ".velmar-download-XXXXXX" form) last written more than `maxAgeSeconds` ago. Returns how many
// were removed.
int RemoveStaleTemporaries(const std::string& folder, double maxAgeSeconds = 86400.0) noexcept;

// The folder part of a path up to its last '/' ("." when it has none).
std::string FolderOf(const std::string& path);

// The file a save of `path` writes: the path made absolute (against the working folder) with
// symbolic links followed to their target and the folder in canonical form. Empty when `path`
// is empty or its links loop.
std::string SaveTarget(const std::string& path);

// How long a save waits for another program's save of the same file before it gives up.
inline constexpr double kLockWaitSeconds = 5.0;

// The lock of one file for a read-modify-write: held from construction (when Held()) to
// destruction. Programs saving the same file take turns; a program that has been waiting is
// let in before one that comes anew. A thread may take a lock it already holds again (the saves
// inside a read-modify-write do). The wait is bounded by kLockWaitSeconds; then Error() names
// the lock file. Every copy of the program run by one user takes the same lock for a file,
// whatever its environment: lock files live in /tmp/velmar-locks-<uid>, a folder of the user's
// own, and are removed when nobody holds or awaits them. When that name is taken by another
// user or is no folder of the user's own, the lock file lies beside the file (".<name>.velmar-lock"),
// and in a folder that takes no new file the lock is taken on the file itself.
class TFileLock {
 public:
  explicit TFileLock(const std::string& path) noexcept;
  ~TFileLock();
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  bool Held() const noexcept { return held_; }
  const std::string& Error() const noexcept { return error_; }

 private:
  std::string lockPath_;
  std::string error_;
  bool held_ = false;
};

}  // namespace fileio
