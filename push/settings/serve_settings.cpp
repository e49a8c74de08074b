#include "push/settings/serve_settings.h"

#include <charconv>

#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Taken = std::optional<std::string>;

// A number of seconds, from none to a day, into `field`.
template <double ServeSettings::*field>
Taken take_seconds(const std::string& value, ServeSettings& serve) {
  const std::optional<double> seconds = number_between(value, 0, 86400);
  if (!seconds) return std::string(texts::kNotServeSeconds);
  serve.*field = *seconds;
  return std::nullopt;
}

const Setting<ServeSettings> kSettings[] = {
    {.key = "listen",
     .option = "--listen",
     .form = SettingForm::kText,
     .help = "where the service takes links: ADDRESS:PORT (default 127.0.0.1:8474; an IPv6 "
             "address in brackets)",
     .take = [](const std::string& value, ServeSettings& serve) -> Taken {
       if (!listen_address(value)) return std::string(texts::kNotListenAddress);
       serve.listen = value;
       return std::nullopt;
     },
     .beside_config = true},
    {.key = "token",
     .option = "",
     .form = SettingForm::kSecret,
     .help = "what callers show as Authorization: Bearer TOKEN",
     .take = [](const std::string& value, ServeSettings& serve) -> Taken {
       serve.token = value;
       return std::nullopt;
     },
     .required = true},
    {.key = "debounce",
     .option = "",
     .form = SettingForm::kNumber,
     .help = "seconds within which a link published again is sent once (default 600)",
     .take = take_seconds<&ServeSettings::debounce>},
    {.key = "flush_after",
     .option = "",
     .form = SettingForm::kNumber,
     .help = "seconds from a site's first waiting link to its sending (default 60)",
     .take = take_seconds<&ServeSettings::flush_after>},
};

}  // namespace

std::span<const Setting<ServeSettings>> serve_settings() {
  return kSettings;
}

std::optional<ListenAddress> listen_address(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  std::string_view host = text.substr(0, colon);
  const std::string_view port_text = text.substr(colon + 1);
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return std::nullopt;
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return std::nullopt;  // an IPv6 address without its brackets
  }
  int port = 0;
  const auto [stop, error] =
      std::from_chars(port_text.data(), port_text.data() + port_text.size(), port);
  if (error != std::errc() || stop != port_text.data() + port_text.size() || port < 0 ||
      port > 65535)
    return std::nullopt;
  return ListenAddress{std::string(host), port};
}

}  // namespace lc::push
