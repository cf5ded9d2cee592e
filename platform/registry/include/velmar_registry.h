// The registry file: a file-backed HKEY_CLASSES_ROOT.
//
// Keys are paths of names joined by '\' ("CLSID\{...}\InprocServer32"), found without regard
// to ASCII case and stored with the case they were created with. Each key has an optional
// default value (value name "") and named string values. Deleting a key that still has
// sub-keys fails.
//
// The file is chosen by the environment variable VELMAR_REGISTRY; without it the file is
// $XDG_DATA_HOME/velmar/registry (or ~/.local/share/velmar/registry). Every operation reads
// the file afresh; a change is written to a temporary file beside it and renamed over it,
// under an exclusive lock on "<file>.lock" (readers take a shared lock), so the registration
// tool and a program may use the file at the same time. The lock lies beside the file the path
// resolves to (links followed), so writers through a link and through the real path take turns.
// A lock another process holds is waited for kLockWaitSeconds at most. Only a regular file is
// read, and at most kMaxFileBytes of it. A file that cannot be parsed is never overwritten:
// operations on it fail with BadFile.
//
// No function throws.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::registry {

enum class Status {
  Ok,
  NotFound,     // no such key or value
  HasSubKeys,   // DeleteKey on a key with sub-keys
  InvalidName,  // empty key path or an empty name between separators
  IoError,      // the file or its folder cannot be read or written
  BadFile,      // the file exists but is not a registry file
  Busy,         // another process held the lock for kLockWaitSeconds
  TooLarge,     // the file holds more than kMaxFileBytes
};

// How long an operation waits for the lock before it gives up with Busy.
inline constexpr int kLockWaitSeconds = 5;
// A registry file above this size is not read (a real one holds a few kilobytes).
inline constexpr size_t kMaxFileBytes = size_t{16} << 20;

const char* StatusText(Status s);

// Why the calling thread's last failed operation failed, naming the file (for example "The
// registry lock file /home/u/.local/share/velmar/registry.lock is held by another program (gave
// up after 5 s)"). Only meaningful right after a failure with a status other than NotFound,
// HasSubKeys or InvalidName.
std::string LastErrorText();

// The file all operations use (the environment is read on every call).
std::string FilePath();

Status CreateKey(std::string_view key);  // creates missing parents too
Status KeyExists(std::string_view key);  // Ok or NotFound (or a file error)
// Sets a string value (name "" is the default value), creating the key when missing.
Status SetValue(std::string_view key, std::string_view name, std::string_view value);
Status GetValue(std::string_view key, std::string_view name, std::string& value);
Status DeleteValue(std::string_view key, std::string_view name);
Status DeleteKey(std::string_view key);
// Every key, in sorted order of the lower-cased paths, as created.
Status ListKeys(std::vector<std::string>& keys);
// Direct sub-key names of a key ("" lists the top level).
Status SubKeys(std::string_view key, std::vector<std::string>& names);

// The in-memory form of the file, for the operations above and their tests.
class Hive {
 public:
  struct Value {
    std::string name;  // as set; "" = default value
    std::string data;
  };
  struct Key {
    std::string path;  // as created
    std::vector<Value> values;
  };

  Status Create(std::string_view key);
  bool Exists(std::string_view key) const;
  Status Set(std::string_view key, std::string_view name, std::string_view data);
  Status Get(std::string_view key, std::string_view name, std::string& data) const;
  Status RemoveValue(std::string_view key, std::string_view name);
  Status Remove(std::string_view key);
  std::vector<std::string> Keys() const;
  std::vector<std::string> Children(std::string_view key) const;
  bool empty() const { return keys_.empty(); }

  std::string Serialize() const;
  static Status Parse(std::string_view text, Hive& out);

 private:
  std::map<std::string, Key> keys_;  // by lower-cased normalised path
};

}  // namespace velmar::registry
