// linkcourier-push: pushes the links of files, standard input, sitemaps and a pending file to a
// link-push interface, in batches within its quota, keeping a record of every link; `status`,
// `history` and `report` ask that record.
#include <iostream>

#include "platform/http_transport.h"
#include "platform/standard_streams.h"
#include "platform/utf8_files.h"
#include "push/commands/config_run.h"
#include "push/commands/migrate_command.h"
#include "push/commands/push_command.h"
#include "push/commands/record_queries.h"
#include "push/commands/schedule_command.h"
#include "push/commands/serve_command.h"
#include "push/settings/options.h"
#include "push/settings/plan.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

int main(int argc, char** argv) {
  using namespace lc::push;
  lc::platform::prepare_standard_streams();
  // A run sends its requests one after another, mostly to the same few servers.
  lc::platform::keep_connections_between_exchanges();
  const ParsedOptions parsed = parse_options(lc::platform::utf8_arguments(argc, argv));
  if (!parsed.options) {
    if (!parsed.problem.empty()) std::cerr << parsed.problem << "\n";
    return parsed.exit_code;
  }
  switch (parsed.options->command) {
    case Command::kStatus:
      return show_status(*parsed.options);
    case Command::kHistory:
      return show_history(*parsed.options);
    case Command::kReport:
      return write_report(*parsed.options);
    case Command::kSchedule:
      return schedule_task(*parsed.options);
    case Command::kServe:
      return serve_links(*parsed.options);
    case Command::kMigrate:
      return migrate(*parsed.options);
    case Command::kPush:
      break;
  }
  const PlanReading reading = plan_of(*parsed.options);
  for (const std::string& warning : reading.warnings)
    std::cerr << warning << "\n";
  for (const std::string& problem : reading.problems)
    std::cerr << problem << "\n";
  if (!reading.plan) return kUsageOrInput;
  if (reading.plan->run.inspect_only && !inspects_anything(*reading.plan)) {
    std::cerr << texts::kNothingToInspect << "\n";
    return kUsageOrInput;
  }
  return reading.plan->from_config ? push_config(*reading.plan) : push_links(*reading.plan);
}
