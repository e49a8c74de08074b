#include <charconv>

#include "platform/process_start.h"
#include "platform/run_lock.h"

namespace lc::platform {

std::string process_identity() {
  const long pid = process_id();
  return process_space() + std::to_string(pid) + "/" + process_start(pid).value_or("");
}

bool process_gone(std::string_view identity) {
  const std::string space = process_space();
  if (!identity.starts_with(space)) return false;
  identity.remove_prefix(space.size());
  const std::size_t slash = identity.find('/');
  if (slash == std::string_view::npos) return false;
  long pid = 0;
  const auto [end, failed] = std::from_chars(identity.data(), identity.data() + slash, pid);
  const std::string_view started = identity.substr(slash + 1);
  // An identity whose start was not known says nothing of what runs now.
  if (failed != std::errc() || end != identity.data() + slash || pid <= 0 || started.empty())
    return false;
  const std::optional<std::string> now = process_start(pid);
  return now && *now != started;
}

}  // namespace lc::platform
