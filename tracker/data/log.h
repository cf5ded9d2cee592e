// The program log: time-stamped lines kept in memory and written to the log file beside the
// program at exit, or after every line when the program was started with the switch
// "CrashDebug" ("-CrashDebug" or "/crashdebug", letter case ignored).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "format.h"

extern std::vector<std::string> LogList;  // the lines of this run
extern std::string LogFileName;           // the program file's path with ".log"
extern bool CrashDebugMode;               // write the file after every line

// Appends "<local date and time>  <message>" to LogList and, in CrashDebugMode, writes the log
// file at once. Never throws; a log file that cannot be written is skipped.
void WriteLog(std::string_view message) noexcept;

// The line WriteLog makes: DateTimeToStr(localTime) (the time left out at exactly midnight),
// two blanks and the message.
std::string LogLine(TDateTime localTime, std::string_view message);

// Writes the whole of LogList to LogFileName, replacing it through fileio::ReplaceFile (a failed
// write leaves the old file as it was), one line per entry ended by CR LF.
// Returns false when the file could not be written. Never throws.
bool SaveLogFile() noexcept;

// Whether the command line holds the switch "CrashDebug" after '-' or '/', case ignored.
bool HasCrashDebugSwitch(int argc, const char* const* argv);

// Start of a run: LogList emptied, LogFileName from the program file name, CrashDebugMode from
// the command line.
void InitProgramLog(int argc, const char* const* argv);
