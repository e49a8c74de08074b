#pragma once
// Prometheus's text format, as both the run's metrics file and the service's /metrics write it.

#include <string>
#include <string_view>

namespace lc::push {

// A label's value as the format quotes it.
std::string prometheus_label(std::string_view value);

// A family's HELP and TYPE lines.
std::string prometheus_heading(std::string_view name, std::string_view help, std::string_view type);

}  // namespace lc::push
