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
// ~/.local/share/velmar/backup); the space for the new text is reserved before a byte of the old
// one is overwritten. The copy is removed when the new text is complete. A copy that is still
// there names a save that was cut short: RecoverInterruptedSave puts the old contents back.
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

}  // namespace fileio
