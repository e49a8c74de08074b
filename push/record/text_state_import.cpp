#include "push/record/text_state_import.h"

#include <system_error>

#include "common/ascii_text.h"
#include "platform/run_lock.h"
#include "platform/utf8_files.h"
#include "push/record/record.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::string_view kDatabaseHeader{"SQLite format 3\0", 16};

// Whether the file at `path` starts as an SQLite database does: its first bytes tell, and a
// record of a million links is not read whole to find out.
bool is_database(const std::string& path) {
  return platform::start_of_file(path, kDatabaseHeader.size()) == kDatabaseHeader;
}

}  // namespace

std::optional<std::string> text_state_at(const std::string& path) {
  std::error_code error;
  if (std::filesystem::file_size(platform::utf8_path(path), error) == 0 || error ||
      is_database(path)) {
    return std::nullopt;
  }
  std::string text;
  try {
    text = read_file(path);
  } catch (const Failure& failure) {
    throw RecordError(std::string(texts::kRecordFailed) + failure.what());
  }
  bool any = false;
  for_each_text_state_link(text, [&](std::string_view, std::time_t) { any = true; });
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
