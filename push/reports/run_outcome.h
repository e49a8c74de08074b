#pragma once
// A run's outcome in words, by its exit code: what `history` and the report say of each run.

#include <optional>
#include <string>

namespace lc::push {

// The outcome of a run that ended with `exit_code`; of one that never came to its end, where
// there is none.
std::string outcome_words(std::optional<int> exit_code);

}  // namespace lc::push
