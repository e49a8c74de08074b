#include "platform/run_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

#include "platform/process_start.h"

namespace lc::platform {
namespace {

// Closing any descriptor of a file drops every fcntl() lock this process holds on it, a
// database's own among them, whichever thread took them. So a descriptor opened here is never
// closed: it is unlocked and kept for the next lock on the same file.
class Descriptors {
 public:
  // A descriptor of the file at `path` that no lock of this process uses; -1 (errno set) when the
  // file cannot be opened.
  int take(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
      const std::lock_guard<std::mutex> guard(mutex_);
      const auto idle = idle_.find(key_of(status));
      if (idle != idle_.end()) {
        const int descriptor = idle->second;
        idle_.erase(idle);
        return descriptor;
      }
    }
    // A file made here is made as the database itself would make it; one this process may only
    // read is read.
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor >= 0 || (errno != EACCES && errno != EROFS)) return descriptor;
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }

  void give_back(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) return;  // kept open all the same
    const std::lock_guard<std::mutex> guard(mutex_);
    idle_.emplace(key_of(status), descriptor);
  }

 private:
  using Key = std::pair<dev_t, ino_t>;
  static Key key_of(const struct stat& status) { return {status.st_dev, status.st_ino}; }

  std::mutex mutex_;
  std::multimap<Key, int> idle_;
};

Descriptors& descriptors() {
  static Descriptors* const kept = new Descriptors;  // never destroyed: its descriptors stay open
  return *kept;
}

class FlockRunLock final : public RunLock {
 public:
  explicit FlockRunLock(int descriptor) : descriptor_(descriptor) {}
  ~FlockRunLock() override {
    ::flock(descriptor_, LOCK_UN);
    descriptors().give_back(descriptor_);
  }

 private:
  int descriptor_;
};

// The file opened and locked; -1 when not, errno set as try_file_lock says. flock() locks the
// open file description, shared by every name of the file, and is apart from the fcntl() locks a
// database takes on the same file.
int locked(const std::string& path, Holding holding) {
  const int descriptor = descriptors().take(path);
  if (descriptor < 0) return -1;
  if (::flock(descriptor, (holding == Holding::kAlone ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    descriptors().give_back(descriptor);
    errno = 0;
    return -1;
  }
  return descriptor;
}

}  // namespace

std::unique_ptr<RunLock> try_file_lock(const std::string& path, Holding holding) {
  const int descriptor = locked(path, holding);
  if (descriptor < 0) return nullptr;
  return std::make_unique<FlockRunLock>(descriptor);
}

std::string start_of_file(const std::string& path, std::size_t count) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return "";  // never made here
  const int descriptor = descriptors().take(path);
  if (descriptor < 0) return "";
  std::string start(count, '\0');
  const ssize_t read = ::pread(descriptor, start.data(), count, 0);
  descriptors().give_back(descriptor);
  start.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
  return start;
}

std::string final_file_name(const std::string& path) {
  std::error_code failed;
  const std::filesystem::path real = std::filesystem::canonical(path, failed);
  return failed ? path : real.string();
}

unsigned long names_of_file(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return 1;
  return static_cast<unsigned long>(status.st_nlink);
}

long process_id() {
  return static_cast<long>(::getpid());
}

bool process_runs(long pid) {
  if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) return false;
  // A killed process whose parent has not yet asked after it stays a zombie: it runs no more.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const std::size_t name_end = line.rfind(')');
  return name_end == std::string::npos || name_end + 2 >= line.size() ||
         (line[name_end + 2] != 'Z' && line[name_end + 2] != 'X');
}

std::string machine_name() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

std::optional<std::string> process_start(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return "";
  const std::size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return "";
  // After the name: the state (the third field), and the start (the twenty-second).
  std::istringstream fields(line.substr(name_end + 1));
  std::string field;
  for (int at = 3; at <= 22 && fields >> field; ++at) {
    if (at == 3 && (field == "Z" || field == "X")) return "";
  }
  return field;
}

std::string process_space() {
  std::ifstream boot("/proc/sys/kernel/random/boot_id");
  std::string boot_id;
  std::getline(boot, boot_id);
  struct stat space {};
  ::stat("/proc/self/ns/pid", &space);
  return boot_id + "/" + std::to_string(space.st_ino) + "/";
}

std::filesystem::path user_state_directory() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
    return state;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/") / ".local" / "state";
}

std::optional<std::filesystem::path> service_state_directory() {
  if (const char* state = std::getenv("LINKCOURIER_SERVICE_STATE"); state != nullptr && *state)
    return state;
  return "/var/lib";
}

}  // namespace lc::platform
