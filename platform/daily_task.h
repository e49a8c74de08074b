#pragma once
// The system's own scheduler, for the current user's tasks of this program: a daily run, or a
// service started at logon; Windows' Task Scheduler (its COM interface). Elsewhere there is none
// to ask: systemd's timer and service units, or cron, do the job.

#include <optional>
#include <string>

namespace lc::platform {

// A task that runs this very program every day at a time; or, `at_logon`, each time the user
// logs on, for as long as it runs.
struct DailyTask {
  std::string name;  // UTF-8
  int hour = 0;      // local time
  int minute = 0;
  std::string arguments;  // as one command line
  bool at_logon = false;
};

// Whether the system has a scheduler to ask.
bool daily_tasks_available();

// Each gives the system's words for why not, where it cannot be done.
std::optional<std::string> register_daily_task(const DailyTask& task);
std::optional<std::string> remove_daily_task(const std::string& name);
// What the scheduler holds of the task, in its own words (the task's XML on Windows).
std::optional<std::string> describe_daily_task(const std::string& name, std::string& description);

}  // namespace lc::platform
