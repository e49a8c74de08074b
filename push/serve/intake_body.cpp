#include "push/serve/intake_body.h"

#include <nlohmann/json.hpp>
#include <string_view>

#include "common/ascii_text.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

IntakeBody from_json(const std::string& text) {
  IntakeBody body;
  const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (!json.is_object()) {
    body.problem = texts::kIntakeNotJson;
    return body;
  }
  for (const auto& [key, value] : json.items()) {
    if (key == "site" && value.is_string()) {
      body.site = value.get<std::string>();
    } else if ((key == "links" || key == "removed") && value.is_array()) {
      std::vector<std::string>& links = key == "links" ? body.links : body.removed;
      for (const auto& link : value) {
        if (!link.is_string()) {
          body.problem = texts::kIntakeLinksNotTexts;
          return body;
        }
        links.push_back(link.get<std::string>());
      }
    } else {
      body.problem = texts::filled(texts::kIntakeUnknownField, {{"field", key}});
      return body;
    }
  }
  return body;
}

IntakeBody from_lines(const IntakeRequest& request) {
  IntakeBody body;
  body.site = request.site;
  std::string_view rest = request.body;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = trimmed_ascii(rest.substr(0, end));
    if (!line.empty()) body.links.emplace_back(line);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return body;
}

}  // namespace

IntakeBody read_intake_body(const IntakeRequest& request) {
  const std::string_view type =
      std::string_view(request.content_type).substr(0, request.content_type.find(';'));
  IntakeBody body =
      trimmed_ascii(type) == "application/json" ? from_json(request.body) : from_lines(request);
  if (body.problem.empty() && body.site.empty()) body.problem = texts::kIntakeNoSite;
  if (body.problem.empty() && body.links.empty() && body.removed.empty())
    body.problem = texts::kIntakeNoLinks;
  return body;
}

}  // namespace lc::push
