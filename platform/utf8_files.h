#pragma once
// Files, command-line words and environment variables in UTF-8 on both systems. The push program's
// text is UTF-8; Windows would read a narrow file name or argument in its ANSI code page and lose
// what that code page cannot hold, so there the wide calls are used end to end.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc::platform {

// The path a UTF-8 name stands for (std::filesystem takes char8_t text as UTF-8 everywhere).
inline std::filesystem::path utf8_path(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

// The UTF-8 name of a path.
inline std::string utf8_name(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

// fopen for a UTF-8 name; null with errno set when it cannot be opened.
std::FILE* open_file(const std::string& name, const char* mode);

// Whether users other than the file's owner and group may read it (on Windows, whose access
// lists this does not read, never).
bool readable_by_others(const std::string& name);

// The program's arguments as UTF-8, the program's name first.
std::vector<std::string> utf8_arguments(int argc, char** argv);

// An environment variable's value as UTF-8; empty when it is not set.
std::optional<std::string> utf8_environment(const char* name);

}  // namespace lc::platform
