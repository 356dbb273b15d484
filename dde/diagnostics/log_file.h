// The trace log file: a header when the file is created, then one line per write, each written
// by opening, appending and closing the file so other programs can read it between lines.
#pragma once

#include <string>

#include "platform/files.h"

namespace tickwell {

// path with its extension (from the last '.' of the last name part) replaced by ext, which
// includes its dot; ext is appended when the name has no extension.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// The current local date and time in the user's short date and long time formats.
std::string CurrentDateTimeText();

// Appends line and CR LF to the log; a log that does not exist yet starts with its header.
platform::IoResult AppendLogLine(const std::string& file_name, const std::string& line);

// Moves an existing log out of the way before a new trace session: to the first free name of
// .001 to .999. Returns the name it went to; empty when there was no log, every name was taken
// (the old log is then appended to) or the rename failed.
std::string RotateLog(const std::string& file_name);

}  // namespace tickwell
