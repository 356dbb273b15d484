#include "platform/files.h"

#include <windows.h>

#include <algorithm>

namespace platform {
namespace {

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n ? std::string(text, n) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message;
}

IoResult LastError(const std::string& path) {
  return IoResult::Failed(path + ": " + SystemMessage(GetLastError()));
}

IoResult WriteWith(const std::string& path, const std::string& bytes, DWORD access,
                   DWORD disposition) {
  // Readers may open the file between our writes; so may a second writer of the same log.
  HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError(path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      IoResult failed = LastError(path);
      CloseHandle(file);
      return failed;
    }
    done += written;
  }
  if (!CloseHandle(file)) return LastError(path);
  return {};
}

}  // namespace

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

IoResult AppendToFile(const std::string& path, const std::string& bytes) {
  return WriteWith(path, bytes, FILE_APPEND_DATA, OPEN_ALWAYS);
}

IoResult WriteWholeFile(const std::string& path, const std::string& bytes) {
  return WriteWith(path, bytes, GENERIC_WRITE, CREATE_ALWAYS);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string all;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0)
    all.append(buffer, got);
  CloseHandle(file);
  if (ok) bytes = std::move(all);
  return ok;
}

std::string ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace platform
