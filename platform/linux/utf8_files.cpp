#include "platform/utf8_files.h"

#include <sys/stat.h>

#include <cstdlib>

namespace lc::platform {

// File names, arguments and the environment are bytes here; the push program takes them to be
// UTF-8.
std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

bool readable_by_others(const std::string& name) {
  struct stat status {};
  return ::stat(name.c_str(), &status) == 0 && (status.st_mode & S_IROTH) != 0;
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::optional<std::string> utf8_environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return value;
}

}  // namespace lc::platform
