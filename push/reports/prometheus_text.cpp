#include "push/reports/prometheus_text.h"

namespace lc::push {

std::string prometheus_label(std::string_view value) {
  std::string text = "\"";
  for (const char c : value) {
    if (c == '\\' || c == '"') text += '\\';
    text += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return text + "\"";
}

std::string prometheus_heading(std::string_view name, std::string_view help,
                               std::string_view type) {
  const std::string family(name);
  return "# HELP " + family + " " + std::string(help) + "\n# TYPE " + family + " " +
         std::string(type) + "\n";
}

}  // namespace lc::push
