#pragma once
// Files that must survive a crash: written whole, forced to the disk, then put in place. Paths
// are UTF-8, as in platform/utf8_files.h.

#include <cstdio>
#include <string>

namespace lc::platform {

// A name beside `path` that no other running program picks, for a file about to replace it.
std::string temporary_path_beside(const std::string& path);

// Removes what writes beside `path` left when their program was killed before putting it in
// place: the files named as temporary_path_beside names them, of programs no longer running and
// an hour old at the least.
void remove_abandoned_temporaries(const std::string& path);

// Forces what was written to `file` onto the disk; false with errno set when it cannot be.
bool flush_to_disk(std::FILE* file);

// Lets every user of the machine read `file`, whatever the process's umask: for what another
// program reads (a monitoring agent reading the metrics file). False with errno set on failure.
bool let_everyone_read(std::FILE* file);

// Puts the file `from` in the place of `to` in one step, replacing `to` when it exists, so a
// reader sees the old file or the new one and never a mix; false with errno set on failure.
bool replace_file(const std::string& from, const std::string& to);

}  // namespace lc::platform
