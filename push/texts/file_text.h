#pragma once
// Whole texts read from a stream or a file named in UTF-8, and written whole, with the reason
// when they cannot be.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "platform/utf8_files.h"
#include "push/texts/push_texts.h"

namespace lc::push {

// Everything the stream holds; empty when reading it failed.
inline std::optional<std::string> read_stream(std::istream& in) {
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

// Everything the file holds; empty with `reason` set when it cannot be read. A folder is no
// file, though the system may open one.
inline std::optional<std::string> read_file(const std::string& path, std::string& reason) {
  std::error_code error;
  if (std::filesystem::is_directory(platform::utf8_path(path), error)) {
    reason = texts::kIsDirectory;
    return std::nullopt;
  }
  std::FILE* file = platform::open_file(path, "rb");
  if (file == nullptr) {
    reason = std::strerror(errno);
    return std::nullopt;
  }
  std::string text;
  char buffer[64 * 1024];
  for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    text.append(buffer, read);
  const bool failed = std::ferror(file) != 0;
  if (failed) reason = std::strerror(errno);
  std::fclose(file);
  if (failed) return std::nullopt;
  return text;
}

// Writes `bytes` to the file in one step: a reader sees the old file or the new one, never a
// part. Why not, naming the file, where it cannot be written.
std::optional<std::string> write_file_whole(const std::string& path, std::string_view bytes);

}  // namespace lc::push
