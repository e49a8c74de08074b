#include "platform/utf8_files.h"

// windows.h first: shellapi.h needs its definitions.
#include <windows.h>

#include <shellapi.h>

#include "platform/text_encodings.h"

namespace lc::platform {

std::FILE* open_file(const std::string& name, const char* mode) {
  const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
  return ::_wfopen(utf8_path(name).c_str(), wide_mode.c_str());
}

// The narrow argv holds the arguments in the ANSI code page, with "?" for what it lacks.
std::vector<std::string> utf8_arguments(int, char**) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; wide != nullptr && i < count; ++i) {
    arguments.push_back(utf16_to_utf8(reinterpret_cast<const char16_t*>(wide[i])));
  }
  ::LocalFree(wide);
  return arguments;
}

// Who may read a file is said by its access list, which is not read here.
bool readable_by_others(const std::string&) {
  return false;
}

// The narrow environment is in the ANSI code page too.
std::optional<std::string> utf8_environment(const char* name) {
  const std::wstring wide_name(name, name + std::char_traits<char>::length(name));
  const wchar_t* value = ::_wgetenv(wide_name.c_str());
  if (value == nullptr) return std::nullopt;
  return utf16_to_utf8(reinterpret_cast<const char16_t*>(value));
}

}  // namespace lc::platform
