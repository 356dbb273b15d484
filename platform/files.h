// Files: existence, renaming, whole writes and appends, reading back, and the running
// program's own path. Bytes are written exactly as given (no newline translation).
#pragma once

#include <string>
#include <utility>

namespace platform {

// The outcome of an input/output operation: ok, or the system's reason for the failure.
struct IoResult {
  bool ok = true;
  std::string error;

  static IoResult Failed(std::string why) { return {false, std::move(why)}; }
  explicit operator bool() const { return ok; }
};

// True for an existing file; false for a folder or nothing.
bool FileExists(const std::string& path);

// MoveFileA: fails when from is missing or to already exists.
bool RenameFile(const std::string& from, const std::string& to);

// DeleteFileA.
bool RemoveFile(const std::string& path);

// Opens path for appending (creating it when missing), writes bytes and closes it again, so
// other processes can read the file between calls.
IoResult AppendToFile(const std::string& path, const std::string& bytes);

// Creates or truncates path and writes bytes.
IoResult WriteWholeFile(const std::string& path, const std::string& bytes);

// The whole content of path; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The full path of the running program's executable (GetModuleFileNameA).
std::string ExecutablePath();

}  // namespace platform
