#pragma once
// The request header block: the caller's lines, the default lines it lacks, and a cookie line.

#include "common/text.h"
#include "http/http_method.h"

namespace lc {

struct RequestHeaderSettings {
  TextView extra_headers{};
  HttpMethod method = HttpMethod::kGet;
  TextView cookies{};
  bool add_default_headers = true;
  bool normalize_headers = true;
};

Text assemble_request_headers(const RequestHeaderSettings& settings);

}  // namespace lc
