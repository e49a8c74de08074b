#pragma once
// The pending file: the links not yet accepted, one a line, for a later run to send first.
// Paths are UTF-8; each failure is thrown, naming the file.

#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

// The file's text; empty when it does not exist yet.
std::string read_pending(const std::string& path);

// Checks that a file can be written beside `path` before anything is sent, so that nothing goes
// out that could not be recorded.
void check_writable_beside(const std::string& path);

// Writes the links whole or not at all: into a temporary file beside it, renamed over the old
// one, so that a crash never leaves half a file.
void write_pending(const std::string& path, const std::vector<std::string_view>& links);

}  // namespace lc::push
