#include "push/commands/migrate_command.h"

#include <iostream>

#include "push/record/record_migration.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"

namespace lc::push {

int migrate(const Options& options) {
  try {
    const Migration moved = migrate_record(options.from, options.to);
    std::cout << texts::filled(texts::kMigrated,
                               {{"to", moved.to},
                                {"destinations", std::to_string(moved.destinations)},
                                {"links", std::to_string(moved.links)},
                                {"runs", std::to_string(moved.runs)}})
              << "\n";
    for (const auto& [key, count] : moved.tally) {
      std::cout << texts::filled(texts::kMigratedLinks,
                                 {{"destination", key.first},
                                  {"state", std::string(texts::kLinkStates[key.second])},
                                  {"count", std::to_string(count)}})
                << "\n";
    }
    return kAllAccepted;
  } catch (const Failure& failure) {
    std::cerr << failure.what() << "\n";
    return failure.exit_code();
  }
}

}  // namespace lc::push
