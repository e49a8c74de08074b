#pragma once
// The Windows service follows redirects itself and would send the server credentials of the first
// host on to any other host a redirect names; this keeps them with the host they were given for.

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

namespace lc::platform::windows {

struct Origin {
  bool secure = false;
  std::u16string host;
  std::uint16_t port = 0;
};

// From now on a redirect of `request` to another origin drops its Authorization line.
bool guard_credentials(HINTERNET request, Origin origin);
// Before the request handle closes.
void release_credential_guard(HINTERNET request);

}  // namespace lc::platform::windows
