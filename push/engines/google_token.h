#pragma once
// A Google service account's access token for one scope: a JSON Web Token signed RS256 with the
// account's key, exchanged at its token_uri, and kept while it lasts for every run of the program
// that asks with the same account for the same scope.

#include <optional>
#include <string>
#include <string_view>

#include "push/engines/client.h"
#include "push/engines/engine.h"

namespace lc::push {

struct AccessToken {
  std::string value;                    // empty where none was had
  std::optional<BatchOutcome> problem;  // why not: unreachable, or refused, in plain words
};

AccessToken access_token(const Destination& account, std::string_view scope);

// Forgets the account's token for `scope`: the API did not take it (revoked before it ran out).
void forget_access_token(const Destination& account, std::string_view scope);

// A request to a Google API on the account's token for `scope`: `problem` says why no token could
// be had, else `reply` is the API's answer. A token the API does not take (401) is had anew once:
// it may have been revoked before it ran out.
struct AuthorizedReply {
  Reply reply;
  std::string problem;
};
AuthorizedReply authorized_exchange(const Destination& account, std::string_view scope,
                                    std::string_view address, Request request);

// Every token the program holds, to be hidden wherever an answer quotes one.
std::vector<std::string> held_access_tokens();

}  // namespace lc::push
