#pragma once
// The states a link has in the record, named once: the code says them by these names, and the
// SQL the record's logic writes says them as {waiting}, {accepted}, {refused}, {removed} and
// {removal_waiting}, which the database layer writes as the numbers they are kept as.

#include <string>
#include <string_view>

namespace lc::push {

enum LinkState : int {
  kWaiting = 0,        // to be sent
  kAccepted = 1,       // the engine took it
  kRefused = 2,        // the engine refused it
  kRemoved = 3,        // the page is gone: the engine was told, or has no way to hear of it
  kRemovalWaiting = 4  // the site announced the page removed; the engine is yet to be told
};

// `sql` with each state's name in braces written as its number.
std::string with_link_states(std::string_view sql);

}  // namespace lc::push
