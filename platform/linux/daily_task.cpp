#include "platform/daily_task.h"

namespace lc::platform {

bool daily_tasks_available() {
  return false;
}

std::optional<std::string> register_daily_task(const DailyTask&) {
  return std::string();
}

std::optional<std::string> remove_daily_task(const std::string&) {
  return std::string();
}

std::optional<std::string> describe_daily_task(const std::string&, std::string&) {
  return std::string();
}

}  // namespace lc::platform
