// Helpers of the options tests: a temporary folder and whole-file reads and writes.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TTempDir {
 public:
  TTempDir() {
    std::string base = std::filesystem::temp_directory_path().string() + "/velmar-opt-XXXXXX";
    if (!mkdtemp(base.data())) std::abort();
    path_ = base;
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Sets a file's last-write time to `unixSeconds`.
inline void SetFileTime(const std::string& name, double unixSeconds) {
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(unixSeconds);
  times[0].tv_nsec = times[1].tv_nsec =
      static_cast<long>((unixSeconds - static_cast<double>(static_cast<time_t>(unixSeconds))) * 1e9);
  utimensat(AT_FDCWD, name.c_str(), times, 0);
}

inline double UnixNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}
