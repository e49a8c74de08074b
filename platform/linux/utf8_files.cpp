#include "platform/utf8_files.h"

namespace lc::platform {

// File names and arguments are bytes here; the push program takes them to be UTF-8.
std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace lc::platform
