#include "push/sources/pending_file.h"

#include "platform/durable_files.h"
#include "platform/utf8_files.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace lc::push {

std::optional<std::string> read_pending(const std::string& path, std::string& error) {
  std::error_code missing;
  if (!std::filesystem::exists(platform::utf8_path(path), missing)) return std::string();
  std::string reason;
  std::optional<std::string> text = read_file(path, reason);
  if (!text) error = texts::about(path, reason);
  return text;
}

bool can_write_beside(const std::string& path, std::string& error) {
  const std::string probe = platform::temporary_path_beside(path);
  std::FILE* file = platform::open_file(probe, "wb");
  if (file == nullptr) {
    error = texts::about(path, std::strerror(errno));
    return false;
  }
  std::fclose(file);
  std::error_code ignored;
  std::filesystem::remove(platform::utf8_path(probe), ignored);
  return true;
}

bool write_pending(const std::string& path, const std::vector<std::string_view>& links,
                   std::string& error) {
  platform::remove_abandoned_temporaries(path);
  const std::string temporary = platform::temporary_path_beside(path);
  std::FILE* file = platform::open_file(temporary, "wb");
  bool ok = file != nullptr;
  for (std::size_t i = 0; ok && i < links.size(); ++i) {
    ok = std::fwrite(links[i].data(), 1, links[i].size(), file) == links[i].size() &&
         std::fputc('\n', file) != EOF;
  }
  ok = file != nullptr && platform::flush_to_disk(file) && ok;
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  ok = ok && platform::replace_file(temporary, path);
  if (!ok) {
    error = texts::about(path, std::strerror(errno));
    std::error_code ignored;
    std::filesystem::remove(platform::utf8_path(temporary), ignored);
  }
  return ok;
}

}  // namespace lc::push
