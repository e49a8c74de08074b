#include "push/record/link_states.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace lc::push {

std::string with_link_states(std::string_view sql) {
  static constexpr std::pair<std::string_view, LinkState> kNames[] = {
      {"{waiting}", kWaiting},
      {"{accepted}", kAccepted},
      {"{refused}", kRefused},
      {"{removed}", kRemoved},
      {"{removal_waiting}", kRemovalWaiting}};
  // Built by appending: a text replaced in place draws a compiler's false alarm.
  std::string written;
  written.reserve(sql.size());
  while (!sql.empty()) {
    const std::size_t brace = std::min(sql.find('{'), sql.size());
    written.append(sql.substr(0, brace));
    sql.remove_prefix(brace);
    if (sql.empty()) break;
    const auto named = std::find_if(std::begin(kNames), std::end(kNames),
                                    [&](const auto& name) { return sql.starts_with(name.first); });
    if (named == std::end(kNames)) {
      written.push_back('{');
      sql.remove_prefix(1);
      continue;
    }
    written.append(std::to_string(named->second));
    sql.remove_prefix(named->first.size());
  }
  return written;
}

}  // namespace lc::push
