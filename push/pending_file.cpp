#include "push/pending_file.h"

#include "platform/durable_files.h"
#include "push/file_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace lc::push {

std::optional<std::string> read_pending(const std::string& path, std::string& error) {
  if (!std::filesystem::exists(path)) return std::string();
  return read_file(path, error);
}

bool can_write_beside(const std::string& path, std::string& error) {
  const std::string probe = platform::temporary_path_beside(path);
  std::FILE* file = std::fopen(probe.c_str(), "wb");
  if (file == nullptr) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(file);
  std::remove(probe.c_str());
  return true;
}

bool write_pending(const std::string& path, const std::vector<std::string_view>& links,
                   std::size_t first, std::string& error) {
  const std::string temporary = platform::temporary_path_beside(path);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  bool ok = file != nullptr;
  for (std::size_t i = first; ok && i < links.size(); ++i) {
    ok = std::fwrite(links[i].data(), 1, links[i].size(), file) == links[i].size() &&
         std::fputc('\n', file) != EOF;
  }
  ok = file != nullptr && platform::flush_to_disk(file) && ok;
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  ok = ok && platform::replace_file(temporary, path);
  if (!ok) {
    error = path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
  }
  return ok;
}

}  // namespace lc::push
