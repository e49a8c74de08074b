#pragma once
// Google's Indexing API: a service account's token (a JSON Web Token signed RS256, exchanged at
// the account's token_uri), then URL_UPDATED notifications through the batch endpoint, at most
// 100 a request, each answered in its own part.

#include <memory>
#include <optional>
#include <string>

#include "push/engines/engine_registry.h"

namespace lc::push {

const EngineDescription& google_engine();

// Each notification's outcome in a batch answer of `content_type`, from the part whose Content-ID
// names its item (or, where no part names one, the part in its place): 200 taken; 429 waits for
// the next day's quota; 5xx or no part waits; any other refused, with that part's own words.
std::vector<LinkOutcome> read_batch_answer(std::size_t sent, std::string_view body,
                                           std::string_view content_type);

}  // namespace lc::push
