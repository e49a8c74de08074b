#include "platform/durable_files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace lc::platform {

std::string temporary_path_beside(const std::string& path) {
  return path + ".tmp-" + std::to_string(::getpid());
}

bool flush_to_disk(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool let_everyone_read(std::FILE* file) {
  return ::fchmod(::fileno(file), 0644) == 0;
}

bool replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace lc::platform
