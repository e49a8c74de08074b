#include "push/engines/google_token.h"

#include <map>
#include <nlohmann/json.hpp>

#include "platform/rsa_signature.h"
#include "push/engines/client.h"
#include "push/engines/json_fields.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

// A token is asked for an hour, and taken for a little less.
constexpr long kTokenSeconds = 3600;
constexpr long kTokenMargin = 60;

struct Token {
  std::string value;
  std::time_t until = 0;
};

// By account, token service and scope.
std::map<std::string, Token>& tokens() {
  static std::map<std::string, Token> held;
  return held;
}

std::string token_key(const Destination& account, std::string_view scope) {
  return account.account + " " + account.token_uri + " " + std::string(scope);
}

std::string base64url(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string text;
  std::uint32_t bits = 0;
  int held = 0;
  for (const char byte : bytes) {
    bits = bits << 8 | static_cast<unsigned char>(byte);
    held += 8;
    while (held >= 6) {
      held -= 6;
      text += kDigits[(bits >> held) & 0x3F];
    }
  }
  if (held > 0) text += kDigits[(bits << (6 - held)) & 0x3F];
  return text;
}

AccessToken refused(std::string explanation) {
  BatchOutcome outcome;
  outcome.kind = BatchOutcome::Kind::kRefused;
  outcome.explanation = std::move(explanation);
  return {"", outcome};
}

}  // namespace

AccessToken access_token(const Destination& account, std::string_view scope) {
  const std::time_t now = seconds_now();
  Token& token = tokens()[token_key(account, scope)];
  if (!token.value.empty() && now < token.until) return {token.value, std::nullopt};
  // The key's id, where the key file gives it, tells the token service which key signed.
  Json header_fields = {{"alg", "RS256"}, {"typ", "JWT"}};
  if (!account.key_id.empty()) header_fields["kid"] = account.key_id;
  const std::string header = base64url(header_fields.dump());
  const std::string claims = base64url(Json{
      {"iss", account.account},
      {"scope", scope},
      {"aud", account.token_uri},
      {"iat", now},
      {"exp", now + kTokenSeconds}}.dump());
  const std::string signed_part = header + "." + claims;
  const std::optional<std::string> signature = platform::sign_rs256(account.key, signed_part);
  if (!signature) return refused(std::string(texts::kGoogleBadKey));
  const std::string body =
      "grant_type=" + query_encoded("urn:ietf:params:oauth:grant-type:jwt-bearer") +
      "&assertion=" + signed_part + "." + base64url(*signature);
  const Reply reply =
      http_exchange(account.token_uri, {.post = true,
                                        .as_program = true,
                                        .body = body,
                                        .content_type = "application/x-www-form-urlencoded",
                                        .timeout_seconds = account.timeout_seconds});
  BatchOutcome outcome;
  take_status(reply, outcome);
  if (!reply.answered()) return {"", outcome};
  const Json answer = Json::parse(reply.body, nullptr, false);
  const std::string value = json_text(answer, "access_token");
  if (!reply.answered_2xx() || value.empty()) {
    const std::string description = json_text(answer, "error_description");
    return refused(std::string(texts::kGoogleNoToken) +
                   (description.empty() ? json_text(answer, "error") : description));
  }
  const long lifetime =
      static_cast<long>(json_number(answer, "expires_in").value_or(kTokenSeconds));
  token = {value, now + lifetime - kTokenMargin};
  return {value, std::nullopt};
}

void forget_access_token(const Destination& account, std::string_view scope) {
  tokens().erase(token_key(account, scope));
}

AuthorizedReply authorized_exchange(const Destination& account, std::string_view scope,
                                    std::string_view address, Request request) {
  AuthorizedReply answer;
  for (int round = 0; round < 2; ++round) {
    if (round == 1) forget_access_token(account, scope);
    const AccessToken token = access_token(account, scope);
    if (token.problem) {
      answer.problem =
          token.problem->explanation.empty() ? token.problem->status : token.problem->explanation;
      return answer;
    }
    const std::string authorization = "Bearer " + token.value;
    request.authorization = authorization;
    answer.reply = http_exchange(address, request);
    if (answer.reply.status != 401) break;
  }
  return answer;
}

std::vector<std::string> held_access_tokens() {
  std::vector<std::string> values;
  for (const auto& [key, token] : tokens()) {
    if (!token.value.empty()) values.push_back(token.value);
  }
  return values;
}

}  // namespace lc::push
