#include "http/request_headers.h"

#include "common/text_ops.h"
#include "common/text_search.h"
#include "http/header_block.h"

namespace lc {
namespace {

struct DefaultLine {
  TextView search;  // looked for anywhere in the block, ignoring case
  TextView line;
  bool post_only;
};

// "Content-Type:" alone has no space after its colon.
constexpr DefaultLine kDefaultLines[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)", false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312", false},
    {"Accept-Language: ", "Accept-Language: zh-cn", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
    {"Cache-Control: ", "Cache-Control: no-cache", false},
};

bool contains(TextView block, TextView what, bool ignore_case) {
  return find(block, what, 1, ignore_case) != kNotFound;
}

}  // namespace

Text assemble_request_headers(const RequestHeaderSettings& settings) {
  Text block;
  if (!settings.extra_headers.empty()) block.append(settings.extra_headers).append(kLineBreak);
  if (settings.add_default_headers) {
    for (const DefaultLine& row : kDefaultLines) {
      if (row.post_only && settings.method != HttpMethod::kPost) continue;
      if (!contains(block, row.search, true)) block.append(row.line).append(kLineBreak);
    }
  }
  if (settings.normalize_headers) block = normalize_header_names(block);
  if (contains(block, "Connection", false) &&
      get_header_value(block, "Connection") == "keep-alive") {
    block = replace(block, "Connection: keep-alive\r\n", "");
  }
  if (!contains(block, "Cookie:", true) && !settings.cookies.empty()) {
    block.append(kLineBreak);
    if (!contains(settings.cookies, "Cookie:", true)) block.append("Cookie: ");
    block.append(settings.cookies).append(kLineBreak);
  }
  return block;
}

}  // namespace lc
