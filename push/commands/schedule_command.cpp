#include "push/commands/schedule_command.h"

#include <filesystem>
#include <iostream>

#include "platform/daily_task.h"
#include "platform/utf8_files.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

constexpr const char* kDailyTaskName = "Linkcourier push";
constexpr const char* kServiceTaskName = "Linkcourier push serve";

int failed(const std::string& words) {
  std::cerr << texts::filled(texts::kSchedulerRefused, {{"words", words}}) << "\n";
  return kUsageOrInput;
}

}  // namespace

int schedule_task(const Options& options) {
  if (!platform::daily_tasks_available()) {
    std::cerr << texts::kNoScheduler << "\n";
    return kUsageOrInput;
  }
  const char* const task_name = options.at_logon ? kServiceTaskName : kDailyTaskName;
  if (options.remove_task) {
    if (const auto problem = platform::remove_daily_task(task_name)) return failed(*problem);
    std::cout << texts::filled(texts::kTaskRemoved, {{"name", task_name}}) << "\n";
    return kAllAccepted;
  }
  if (options.show_task) {
    std::string description;
    if (const auto problem = platform::describe_daily_task(task_name, description))
      return failed(*problem);
    std::cout << task_name << "\n" << description;
    return kAllAccepted;
  }
  if (options.config.empty()) {
    std::cerr << texts::kScheduleNeedsConfig << "\n";
    return kUsageOrInput;
  }
  std::error_code error;
  const std::filesystem::path config =
      std::filesystem::absolute(platform::utf8_path(options.config), error);
  if (error || !std::filesystem::is_regular_file(config, error)) {
    std::cerr << texts::about(options.config, texts::kUnreadable) << "\n";
    return kUsageOrInput;
  }
  const std::string quoted = "--config \"" + platform::utf8_name(config) + "\"";
  if (options.at_logon) {
    const platform::DailyTask task{
        .name = task_name, .arguments = "serve " + quoted, .at_logon = true};
    if (const auto problem = platform::register_daily_task(task)) return failed(*problem);
    std::cout << texts::filled(texts::kServiceTaskRegistered,
                               {{"name", task_name}, {"config", platform::utf8_name(config)}})
              << "\n";
    return kAllAccepted;
  }
  const platform::DailyTask task{.name = task_name,
                                 .hour = std::stoi(options.daily.substr(0, 2)),
                                 .minute = std::stoi(options.daily.substr(3)),
                                 .arguments = quoted};
  if (const auto problem = platform::register_daily_task(task)) return failed(*problem);
  std::cout << texts::filled(texts::kTaskRegistered, {{"name", task_name},
                                                      {"time", options.daily},
                                                      {"config", platform::utf8_name(config)}})
            << "\n";
  return kAllAccepted;
}

}  // namespace lc::push
