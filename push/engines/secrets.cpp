#include "push/engines/secrets.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "platform/ascii_case.h"

namespace lc::push {
namespace {

constexpr std::string_view kMask = "***";
// Lines of a key shorter than this are not worth hiding on their own (a key's last line may be).
constexpr std::size_t kShortestKeyLine = 16;

// Where each value of a parameter named token or key (as a server reads names: in any case)
// stands in `text`: begin and end.
template <typename Visit>
void for_each_secret_parameter(std::string_view text, Visit visit) {
  for (std::size_t at = text.find('='); at != std::string_view::npos; at = text.find('=', at + 1)) {
    const std::size_t name_begin = text.find_last_of("?&;#\" \t\r\n", at);
    const std::string_view name =
        text.substr(name_begin == std::string_view::npos ? 0 : name_begin + 1,
                    at - (name_begin == std::string_view::npos ? 0 : name_begin + 1));
    if (!platform::equals_ignoring_ascii_case(name, "token") &&
        !platform::equals_ignoring_ascii_case(name, "key")) {
      continue;
    }
    const std::size_t end = std::min(text.find_first_of("&#\" \t\r\n", at + 1), text.size());
    visit(at + 1, end);
  }
}

bool is_word_character(char c) {
  return is_ascii_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
         c == '_';
}

// Whether the `size` characters at `at` are a word of their own. A short secret is hidden only
// there: "tok" is no secret inside "token".
bool stands_alone(std::string_view text, std::size_t at, std::size_t size) {
  return (at == 0 || !is_word_character(text[at - 1])) &&
         (at + size == text.size() || !is_word_character(text[at + size]));
}

}  // namespace

void Secrets::add_address(std::string_view address) {
  for_each_secret_parameter(address, [&](std::size_t begin, std::size_t end) {
    add(address.substr(begin, end - begin));
  });
}

void Secrets::add(std::string_view secret) {
  if (secret.empty() || std::find(values_.begin(), values_.end(), secret) != values_.end()) return;
  values_.emplace_back(secret);
  // A private key is quoted line by line as often as whole (in JSON, its breaks escaped): each
  // line of it but its markers is a secret too.
  if (secret.find('\n') == std::string_view::npos) return;
  for_each_lf_line(secret, [&](std::string_view line) {
    line = trimmed_ascii(line);
    if (line.size() >= kShortestKeyLine && !line.starts_with("-----")) values_.emplace_back(line);
  });
}

std::string Secrets::hidden(std::string text) const {
  for (const std::string& value : values_) {
    for (std::size_t at = text.find(value); at != std::string::npos; at = text.find(value, at)) {
      if (value.size() < kShortestKeyLine && !stands_alone(text, at, value.size())) {
        ++at;
        continue;
      }
      text.replace(at, value.size(), kMask);
      at += kMask.size();
    }
  }
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  for_each_secret_parameter(
      text, [&](std::size_t begin, std::size_t end) { spans.emplace_back(begin, end); });
  // From the last, so that earlier positions stay true.
  for (auto span = spans.rbegin(); span != spans.rend(); ++span)
    text.replace(span->first, span->second - span->first, kMask);
  return text;
}

}  // namespace lc::push
