#include "push/texts/push_texts.h"

namespace lc::push::texts {

std::string filled(std::string_view pattern,
                   std::initializer_list<std::pair<std::string_view, std::string>> values) {
  std::string text(pattern);
  for (const auto& [name, value] : values) {
    std::string mark(1, '{');
    mark.append(name).push_back('}');
    if (const std::size_t at = text.find(mark); at != std::string::npos)
      text.replace(at, mark.size(), value);
  }
  return text;
}

}  // namespace lc::push::texts
