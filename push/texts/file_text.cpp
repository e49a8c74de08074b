#include "push/texts/file_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "platform/durable_files.h"
#include "platform/utf8_files.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"

namespace lc::push {

std::string read_stream(std::istream& in, std::string_view name) {
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Failure(kUsageOrInput, texts::about(name, texts::kUnreadable));
  return text.str();
}

std::string read_file(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(platform::utf8_path(path), error))
    throw Failure(kUsageOrInput, texts::about(path, texts::kIsDirectory));
  std::FILE* file = platform::open_file(path, "rb");
  if (file == nullptr) throw Failure(kUsageOrInput, texts::about(path, std::strerror(errno)));
  std::string text;
  char buffer[64 * 1024];
  for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    text.append(buffer, read);
  const int failed = std::ferror(file) != 0 ? errno : 0;
  std::fclose(file);
  if (failed != 0) throw Failure(kUsageOrInput, texts::about(path, std::strerror(failed)));
  return text;
}

void write_file_whole(const std::string& path, std::string_view bytes, int exit_code,
                      Readers readers) {
  platform::remove_abandoned_temporaries(path);
  const std::string temporary = platform::temporary_path_beside(path);
  std::FILE* file = platform::open_file(temporary, "wb");
  const bool written = file != nullptr &&
                       (readers == Readers::kAsTheUmaskSays || platform::let_everyone_read(file)) &&
                       std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                       platform::flush_to_disk(file);
  int error = errno;
  if (file != nullptr) std::fclose(file);
  if (written && platform::replace_file(temporary, path)) return;
  if (written) error = errno;
  std::error_code ignored;
  std::filesystem::remove(platform::utf8_path(temporary), ignored);
  throw Failure(exit_code, texts::about(path, std::strerror(error)));
}

}  // namespace lc::push
