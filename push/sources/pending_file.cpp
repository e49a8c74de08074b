#include "push/sources/pending_file.h"

#include "platform/durable_files.h"
#include "platform/utf8_files.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace lc::push {

std::string read_pending(const std::string& path) {
  std::error_code missing;
  if (!std::filesystem::exists(platform::utf8_path(path), missing)) return std::string();
  try {
    return read_file(path);
  } catch (const Failure& failure) {
    throw Failure(kUsageOrInput, std::string(texts::kPendingUnusable) + failure.what());
  }
}

void check_writable_beside(const std::string& path) {
  const std::string probe = platform::temporary_path_beside(path);
  std::FILE* file = platform::open_file(probe, "wb");
  if (file == nullptr) {
    throw Failure(kPendingUnwritable,
                  std::string(texts::kPendingUnusable) + texts::about(path, std::strerror(errno)));
  }
  std::fclose(file);
  std::error_code ignored;
  std::filesystem::remove(platform::utf8_path(probe), ignored);
}

void write_pending(const std::string& path, const std::vector<std::string_view>& links) {
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
    const int error = errno;
    std::error_code ignored;
    std::filesystem::remove(platform::utf8_path(temporary), ignored);
    throw Failure(kPendingUnwritable,
                  std::string(texts::kPendingUnwritten) + texts::about(path, std::strerror(error)));
  }
}

}  // namespace lc::push
