#include "push/commands/schedule_command.h"

#include <filesystem>
#include <iostream>

#include "platform/daily_task.h"
#include "platform/utf8_files.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

constexpr const char* kTaskName = "Linkcourier push";

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
  if (options.remove_task) {
    if (const auto problem = platform::remove_daily_task(kTaskName)) return failed(*problem);
    std::cout << texts::filled(texts::kTaskRemoved, {{"name", kTaskName}}) << "\n";
    return kAllAccepted;
  }
  if (options.show_task) {
    std::string description;
    if (const auto problem = platform::describe_daily_task(kTaskName, description))
      return failed(*problem);
    std::cout << kTaskName << "\n" << description;
    return kAllAccepted;
  }
  std::error_code error;
  const std::filesystem::path config =
      std::filesystem::absolute(platform::utf8_path(options.config), error);
  if (error || !std::filesystem::is_regular_file(config, error)) {
    std::cerr << texts::about(options.config, texts::kUnreadable) << "\n";
    return kUsageOrInput;
  }
  const platform::DailyTask task{kTaskName, std::stoi(options.daily.substr(0, 2)),
                                 std::stoi(options.daily.substr(3)),
                                 "--config \"" + platform::utf8_name(config) + "\""};
  if (const auto problem = platform::register_daily_task(task)) return failed(*problem);
  std::cout << texts::filled(texts::kTaskRegistered, {{"name", kTaskName},
                                                      {"time", options.daily},
                                                      {"config", platform::utf8_name(config)}})
            << "\n";
  return kAllAccepted;
}

}  // namespace lc::push
