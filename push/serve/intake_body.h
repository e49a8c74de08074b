#pragma once
// What a caller of the service posts: a site's links, as JSON {"site": NAME, "links": [...]}
// (with the pages it removed as "removed": [...]) or as text, one link a line, with the site in
// the query.

#include <string>
#include <vector>

#include "push/serve/intake_server.h"

namespace lc::push {

struct IntakeBody {
  std::string site;
  std::vector<std::string> links;
  std::vector<std::string> removed;
  std::string problem;  // why the body cannot be read; empty where it can
};

IntakeBody read_intake_body(const IntakeRequest& request);

}  // namespace lc::push
