#include "push/text_state_import.h"

#include <system_error>

#include "common/ascii_text.h"
#include "platform/utf8_files.h"
#include "push/file_text.h"
#include "push/push_texts.h"
#include "push/record.h"
#include "push/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::string_view kDatabaseHeader{"SQLite format 3\0", 16};

}  // namespace

std::optional<std::string> text_state_at(const std::string& path) {
  std::error_code error;
  if (std::filesystem::file_size(platform::utf8_path(path), error) == 0 || error)
    return std::nullopt;
  std::string reason;
  std::optional<std::string> text = read_file(path, reason);
  if (!text) throw RecordError(texts::about(path, std::string(texts::kRecordFailed) + reason));
  if (text->starts_with(kDatabaseHeader)) return std::nullopt;
  bool any = false;
  for_each_text_state_link(*text, [&](std::string_view, std::time_t) { any = true; });
  if (!any) throw RecordError(texts::about(path, texts::kRecordNotOurs));
  return text;
}

void for_each_text_state_link(std::string_view text,
                              const std::function<void(std::string_view, std::time_t)>& each) {
  for_each_lf_line(text, [&](std::string_view line) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return;
    if (const std::optional<std::time_t> when = parse_w3c_time(line.substr(0, tab)))
      each(line.substr(tab + 1), *when);
  });
}

}  // namespace lc::push
