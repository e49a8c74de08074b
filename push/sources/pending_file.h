#pragma once
// The pending file: the links not yet accepted, one a line, for a later run to send first.
// Paths are UTF-8; errors name the file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

// The file's text; empty when it does not exist yet. An error message when it cannot be read.
std::optional<std::string> read_pending(const std::string& path, std::string& error);

// Whether a file can be written beside `path` (checked before anything is sent, so that nothing
// goes out that could not be recorded); the reason when not.
bool can_write_beside(const std::string& path, std::string& error);

// Writes the links whole or not at all: into a temporary file beside it, renamed over the old
// one, so that a crash never leaves half a file.
bool write_pending(const std::string& path, const std::vector<std::string_view>& links,
                   std::string& error);

}  // namespace lc::push
