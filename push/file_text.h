#pragma once
// Whole texts read from a stream or a file, with the reason when they cannot be.

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace lc::push {

// Everything the stream holds; empty when reading it failed.
inline std::optional<std::string> read_stream(std::istream& in) {
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

// Everything the file holds; empty with `error` ("PATH: reason") when it cannot be read.
inline std::optional<std::string> read_file(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  std::optional<std::string> text = in ? read_stream(in) : std::nullopt;
  if (!text) error = path + ": " + std::strerror(errno);
  return text;
}

}  // namespace lc::push
