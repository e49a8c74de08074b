#include "push/record/record_location.h"

#include <cstdint>
#include <cstdio>

#include "platform/run_lock.h"

namespace lc::push {
namespace {

constexpr std::size_t kLongestReadablePart = 60;

std::uint32_t fnv1a(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

std::string readable_part(std::string_view name) {
  if (const std::size_t scheme = name.find("://"); scheme != std::string_view::npos)
    name.remove_prefix(scheme + 3);
  std::string part;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-';
    if (plain) {
      part.push_back(c);
    } else if (!part.empty() && part.back() != '-') {
      part.push_back('-');
    }
    if (part.size() == kLongestReadablePart) break;
  }
  return part;
}

}  // namespace

std::string default_record_path(std::string_view destination) {
  char hash[16];
  std::snprintf(hash, sizeof hash, "%08x", static_cast<unsigned>(fnv1a(destination)));
  const std::filesystem::path file = platform::user_state_directory() / "linkcourier" /
                                     (readable_part(destination) + "-" + hash + ".db");
  const std::u8string utf8 = file.u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::string default_validators_path() {
  return default_record_path("pages");
}

}  // namespace lc::push
