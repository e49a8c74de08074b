#pragma once
// Whole texts read from a stream or a file named in UTF-8, and written whole.

#include <istream>
#include <string>
#include <string_view>

namespace lc::push {

// Everything the stream holds. Throws a Failure (a usage or input error) naming it as `name`
// when it cannot be read.
std::string read_stream(std::istream& in, std::string_view name);

// Everything the file holds. A folder is no file, though the system may open one. Throws a
// Failure (a usage or input error) naming the file when it cannot be read.
std::string read_file(const std::string& path);

// Who reads a file written whole: its owner as the umask says, or every user (what another
// program reads, whatever the umask of a sandboxed service).
enum class Readers { kAsTheUmaskSays, kEveryone };

// Writes `bytes` to the file in one step: a reader sees the old file or the new one, never a
// part. Throws a Failure of `exit_code`, naming the file, where it cannot be written.
void write_file_whole(const std::string& path, std::string_view bytes, int exit_code,
                      Readers readers = Readers::kAsTheUmaskSays);

}  // namespace lc::push
