#pragma once
// A response's status line and header lines as libcurl hands them over: CR LF line ends.

#include <string>
#include <string_view>

namespace lc::platform {

// The status code of the status line; 0 when it has none.
int status_code(std::string_view head);

// The value of the first header line named `name` (any case), without the white space around
// it; empty when there is none.
std::string header_value(std::string_view head, std::string_view name);

// The name of a "Name: value" line, without the white space around it.
std::string_view header_name(std::string_view line);

// A header line's value: the optional white space of HTTP around it removed.
std::string_view header_line_value(std::string_view line);

}  // namespace lc::platform
