#pragma once
// Fields of the engines' JSON answers, read without throwing: an answer is what the engine sent,
// not what its documentation promises.

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

}  // namespace lc::push
