#include "push/reports/run_outcome.h"

#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

namespace lc::push {

std::string outcome_words(std::optional<int> exit_code) {
  if (!exit_code) return std::string(texts::kOutcomeUnfinished);
  switch (*exit_code) {
    case kAllAccepted:
      return std::string(texts::kOutcomeSucceeded);
    case kNeedsAttention:
      return std::string(texts::kOutcomeNeedsAttention);
    case kUnreachable:
      return std::string(texts::kOutcomeUnreachable);
    case kThrottled:
      return std::string(texts::kOutcomeThrottled);
    default:
      return texts::filled(texts::kOutcomeFailed, {{"code", std::to_string(*exit_code)}});
  }
}

}  // namespace lc::push
