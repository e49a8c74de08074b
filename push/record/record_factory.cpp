#include "push/record/record_factory.h"

#include <algorithm>

#include "push/record/sqlite_record.h"
#ifdef LINKCOURIER_POSTGRES
#include "push/record/postgres_record.h"
#endif
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// The scheme of a location written as scheme://...; empty for a file's path (C:\ included).
std::string_view scheme_of(std::string_view location) {
  const std::size_t end = location.find("://");
  if (end == std::string_view::npos || end < 2) return {};
  const std::string_view scheme = location.substr(0, end);
  const bool letters = std::all_of(scheme.begin(), scheme.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+';
  });
  return letters ? scheme : std::string_view();
}

// Whether `location` begins as a server's connection words do: a keyword, then "=".
bool connection_words(std::string_view location) {
  const std::size_t start = location.find_first_not_of(' ');
  if (start == std::string_view::npos) return false;
  location.remove_prefix(start);
  const std::size_t keyword = location.find_first_not_of("abcdefghijklmnopqrstuvwxyz_");
  if (keyword == 0 || keyword == std::string_view::npos) return false;
  const std::size_t next = location.find_first_not_of(' ', keyword);
  return next != std::string_view::npos && location[next] == '=';
}

}  // namespace

std::optional<std::string> location_problem(std::string_view location) {
  if (connection_words(location)) return std::string(texts::kRecordConnectionWords);
  return std::nullopt;
}

bool on_a_server(std::string_view location) {
  return !scheme_of(location).empty();
}

std::unique_ptr<Record> open_record(const RecordOpening& opening) {
  const std::string_view scheme = scheme_of(opening.path);
  if (scheme == "postgresql" || scheme == "postgres") {
#ifdef LINKCOURIER_POSTGRES
    return open_postgres_record(opening);
#else
    throw RecordError(texts::about(scheme, texts::kRecordServerNotBuilt));
#endif
  }
  if (!scheme.empty()) throw RecordError(texts::about(opening.path, texts::kRecordLocationUnknown));
  if (const std::optional<std::string> problem = location_problem(opening.path))
    throw RecordError(*problem);
  return open_sqlite_record(opening);
}

}  // namespace lc::push
