#include "programpath.h"

#include <cstdlib>

#include "shell.h"

namespace {
std::string& Override() {
  static std::string path;
  return path;
}
}  // namespace

void SetProgramFileName(std::string path) { Override() = std::move(path); }

std::string ProgramFileName() {
  if (!Override().empty()) return Override();
  std::string exe = shell::ExecutablePath();
  if (exe.empty()) exe = "Velmar";
  if (const char* dir = std::getenv("VELMAR_PROGRAM_DIR"); dir && *dir) {
    std::string folder = dir;
    if (folder.back() != '/') folder += '/';
    const std::size_t slash = exe.find_last_of('/');
    return folder + (slash == std::string::npos ? exe : exe.substr(slash + 1));
  }
  return exe;
}

std::string ProgramFolder() {
  const std::string file = ProgramFileName();
  const std::size_t slash = file.find_last_of('/');
  if (slash == std::string::npos) return "./";
  return file.substr(0, slash + 1);
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  std::string out(path);
  if (dot != std::string_view::npos && dot > start) out.resize(dot);
  out += ext;
  return out;
}
