// Helpers shared by the parts of the safe file replacement (not for other users).
#pragma once

#include <cstdint>
#include <string>

namespace fileio::detail {

// The system's text for an error number, starting in lower case.
std::string Reason(int err);
// The part of a path after its last '/'.
std::string NameOf(const std::string& path);
// Makes a folder and its parents (0700) when missing; true when it is there.
bool MakeFolders(const std::string& dir);
// A hash of a path naming its backup copy and its lock file.
std::uint64_t PathHash(const std::string& path);

}  // namespace fileio::detail
