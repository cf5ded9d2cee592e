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

// Element sets and a geostationary log line as the servers of the tests send them (LF ends).
inline const std::string kTiangongSet =
    "TIANGONG 1\n"
    "1 37820U 11053A   18021.15481237  .00079790  10962-4  15137-3 0  9997\n"
    "2 37820  42.7520 288.0393 0018693 214.2663 294.8356 15.99974224362613\n";
inline const std::string kIssSet =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   18020.89808844  .00002078  00000-0  38550-4 0  9992\n"
    "2 25544  51.6424  32.9776 0003646  28.7227  39.5332 15.54190080 95614\n";
inline std::string GeoLogLine() {
  std::string line(180, ' ');
  line.replace(0, 6, "S25049");
  line.replace(7, 9, "1997-076A");
  line.replace(22, 11, "EUTELSAT W2");
  return line + "\n";
}

// The text as it is stored: every LF becomes CR LF.
inline std::string CrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}
