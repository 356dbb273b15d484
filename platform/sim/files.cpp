// The model's file layer works on the host file system; only the Windows rules the callers rely
// on are kept (a rename never replaces an existing file) and writes can be made to fail.
#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "platform/sim/sim_files.h"

namespace platform {
namespace fs = std::filesystem;

namespace {

std::mutex fault_mutex;
std::function<bool(const std::string&)> write_fault;

bool WriteFaulted(const std::string& path) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  return write_fault && write_fault(path);
}

IoResult Errno(const std::string& path) {
  return IoResult::Failed(path + ": " + std::strerror(errno));
}

IoResult WriteWith(const std::string& path, const std::string& bytes, int flags) {
  if (WriteFaulted(path)) return IoResult::Failed(path + ": write refused (injected fault)");
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return Errno(path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      IoResult failed = Errno(path);
      ::close(fd);
      return failed;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) return Errno(path);
  return {};
}

}  // namespace

namespace sim {

void SetFileWriteFault(std::function<bool(const std::string& path)> fails) {
  std::lock_guard<std::mutex> lock(fault_mutex);
  write_fault = std::move(fails);
}

}  // namespace sim

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool RenameFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!FileExists(from) || fs::exists(to, ec) || WriteFaulted(to)) return false;
  fs::rename(from, to, ec);
  return !ec;
}

bool RemoveFile(const std::string& path) {
  std::error_code ec;
  return FileExists(path) && fs::remove(path, ec);
}

IoResult AppendToFile(const std::string& path, const std::string& bytes) {
  return WriteWith(path, bytes, O_CREAT | O_APPEND);
}

IoResult WriteWholeFile(const std::string& path, const std::string& bytes) {
  return WriteWith(path, bytes, O_CREAT | O_TRUNC);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  if (!FileExists(path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  bytes = all.str();
  return true;
}

std::string ExecutablePath() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

}  // namespace platform
