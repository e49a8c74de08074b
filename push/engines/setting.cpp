#include "push/engines/setting.h"

#include <charconv>

#include "push/engines/client.h"
#include "push/texts/push_texts.h"

namespace lc::push {

std::optional<std::size_t> whole_number(const std::string& value, std::size_t most) {
  std::size_t number = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, number);
  if (error != std::errc() || stop != end || number < 1 || number > most) return std::nullopt;
  return number;
}

std::optional<double> number_between(const std::string& value, double least, double most) {
  double number = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, number);
  if (error != std::errc() || stop != end || !(number >= least && number <= most))
    return std::nullopt;
  return number;
}

std::string not_whole_number(std::size_t most) {
  return texts::filled(texts::kConfigBatch, {{"most", std::to_string(most)}});
}

std::optional<std::string> address_problem(const std::string& value) {
  if (is_sendable_address(value)) return std::nullopt;
  return std::string(texts::kBadInterface);
}

}  // namespace lc::push
