#include "platform/durable_files.h"

#include <io.h>
#include <process.h>
#include <windows.h>

#include <cerrno>

#include "platform/utf8_files.h"

namespace lc::platform {

std::string temporary_path_beside(const std::string& path) {
  return path + ".tmp-" + std::to_string(::_getpid());
}

bool flush_to_disk(std::FILE* file) {
  return std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
}

// Files here are readable as the folder they are in lets them be.
bool let_everyone_read(std::FILE*) {
  return true;
}

// The C library's rename refuses an existing target here; MoveFileEx replaces it.
bool replace_file(const std::string& from, const std::string& to) {
  if (::MoveFileExW(utf8_path(from).c_str(), utf8_path(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      errno = EACCES;
      break;
    default:
      errno = EIO;
      break;
  }
  return false;
}

}  // namespace lc::platform
