// The program file and its folder: the settings and log files are named after the program, and
// the data files default to its folder. Tests (and users whose program folder is read-only)
// point the folder elsewhere with SetProgramFileName or the environment variable
// VELMAR_PROGRAM_DIR (the program keeps its own file name inside that folder).
#pragma once

#include <string>
#include <string_view>

// Full path of the program file.
std::string ProgramFileName();
// Folder of the program file, with its trailing '/'.
std::string ProgramFolder();
// Overrides the program file's path; an empty text restores the default.
void SetProgramFileName(std::string path);

// The path with the extension of its last part replaced by ext (".ini"); appended when the
// last part has no extension: "/opt/velmar/Velmar" -> "/opt/velmar/Velmar.ini".
std::string ChangeFileExt(std::string_view path, std::string_view ext);
