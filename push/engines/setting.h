#pragma once
// A setting as the command line and the config file both know it: declared once, beside what it
// sets, and checked by one function with one message wherever its value comes from.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lc::push {

// How a value is written in the config file, and so how the file's value is read.
enum class SettingForm {
  kText,
  kTexts,        // an array of texts; an option given again
  kPath,         // a file or folder, taken from the config's folder where relative
  kPaths,        // an array of those; an address stays as it is
  kSecret,       // NAME_env (a variable) or NAME_file (a file, its text trimmed)
  kSecretFile,   // a path to a file that holds secrets itself
  kWholeNumber,  // an integer
  kNumber,       // an integer or a fraction
  kFlag,         // true or false
};

template <typename Target>
struct Setting {
  std::string_view key;     // in the config; empty: the command line's only
  std::string_view option;  // on the command line; empty: the config's only
  SettingForm form;
  std::string_view help;
  // Checks `value` (as written, a flag's as "true" or "false") and puts it into `target`; the
  // problem, where it cannot be used.
  std::optional<std::string> (*take)(const std::string& value, Target& target);
  bool required = false;
  // A command-line value comes before the config's, where both are given.
  bool beside_config = false;
  // An environment variable the command line falls back on.
  std::string_view variable = {};
};

// A whole number of `value` from 1 to `most`; empty where it is none.
std::optional<std::size_t> whole_number(const std::string& value, std::size_t most);
// A number of `value` (an integer or a fraction) from `least` to `most`; empty where it is none.
std::optional<double> number_between(const std::string& value, double least, double most);
// The problem of a value that is not a whole number as above.
std::string not_whole_number(std::size_t most);

// The problem of a value that is no usable http or https address; none where it is one.
std::optional<std::string> address_problem(const std::string& value);

}  // namespace lc::push
