#include "push/texts/file_text.h"

#include <filesystem>

#include "platform/durable_files.h"

namespace lc::push {

std::optional<std::string> write_file_whole(const std::string& path, std::string_view bytes) {
  platform::remove_abandoned_temporaries(path);
  const std::string temporary = platform::temporary_path_beside(path);
  std::FILE* file = platform::open_file(temporary, "wb");
  const bool written = file != nullptr &&
                       std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                       platform::flush_to_disk(file);
  int error = errno;
  if (file != nullptr) std::fclose(file);
  if (written && platform::replace_file(temporary, path)) return std::nullopt;
  if (written) error = errno;
  std::error_code ignored;
  std::filesystem::remove(platform::utf8_path(temporary), ignored);
  return texts::about(path, std::strerror(error));
}

}  // namespace lc::push
