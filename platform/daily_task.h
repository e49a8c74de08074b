#pragma once
// The system's own scheduler, for one daily task of the current user: Windows' Task Scheduler
// (its COM interface). Elsewhere there is none to ask: systemd's timer or cron does the job.

#include <optional>
#include <string>

namespace lc::platform {

// A task that runs this very program every day.
struct DailyTask {
  std::string name;  // UTF-8
  int hour = 0;      // local time
  int minute = 0;
  std::string arguments;  // as one command line
};

// Whether the system has a scheduler to ask.
bool daily_tasks_available();

// Each gives the system's words for why not, where it cannot be done.
std::optional<std::string> register_daily_task(const DailyTask& task);
std::optional<std::string> remove_daily_task(const std::string& name);
// What the scheduler holds of the task, in its own words (the task's XML on Windows).
std::optional<std::string> describe_daily_task(const std::string& name, std::string& description);

}  // namespace lc::platform
