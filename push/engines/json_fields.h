#pragma once
// Fields of the engines' JSON answers, read without throwing: an answer is what the engine sent,
// not what its documentation promises.

#include <charconv>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace lc::push {

// The text at `key` of an object; empty where there is none or it is no text.
inline std::string json_text(const nlohmann::json& json, const char* key) {
  return json.is_object() && json.contains(key) && json[key].is_string()
             ? json[key].get<std::string>()
             : std::string();
}

// The whole number at `key` of an object; empty where there is none.
inline std::optional<long long> json_number(const nlohmann::json& json, const char* key) {
  return json.is_object() && json.contains(key) && json[key].is_number_integer()
             ? std::optional(json[key].get<long long>())
             : std::nullopt;
}

// The truth value at `key`; false where there is none.
inline bool json_flag(const nlohmann::json& json, const char* key) {
  return json.is_object() && json.contains(key) && json[key].is_boolean() && json[key].get<bool>();
}

// A 64-bit whole number at `key`, as Google's APIs write one (a text of digits) or as a number;
// empty where there is none.
inline std::optional<long long> json_int64(const nlohmann::json& json, const char* key) {
  if (std::optional<long long> number = json_number(json, key)) return number;
  const std::string text = json_text(json, key);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace lc::push
