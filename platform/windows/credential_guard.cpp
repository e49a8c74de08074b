#include "platform/windows/credential_guard.h"

#include <map>

#include "platform/ascii_case.h"

namespace lc::platform::windows {
namespace {

// Requests under guard and where their credentials belong. One thread, but calls may nest.
std::map<HINTERNET, Origin>& guarded() {
  static std::map<HINTERNET, Origin> requests;
  return requests;
}

// `target` as the redirect names it: absolute, scheme-relative ("//host/…") or relative.
bool same_origin(const Origin& origin, std::wstring target) {
  if (target.starts_with(L"//")) {
    target.insert(0, origin.secure ? L"https:" : L"http:");
  } else if (target.find(L"://") == std::wstring::npos) {
    return true;  // a path on the same host
  }
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = DWORD(-1);
  if (!WinHttpCrackUrl(target.c_str(), 0, 0, &parts)) return false;
  const std::u16string host(reinterpret_cast<const char16_t*>(parts.lpszHostName),
                            parts.dwHostNameLength);
  return (parts.nScheme == INTERNET_SCHEME_HTTPS) == origin.secure && parts.nPort == origin.port &&
         equals_ignoring_ascii_case(host, origin.host);
}

void CALLBACK on_redirect(HINTERNET request, DWORD_PTR, DWORD status, void* information, DWORD) {
  if (status != WINHTTP_CALLBACK_STATUS_REDIRECT) return;
  const auto found = guarded().find(request);
  if (found == guarded().end()) return;
  if (same_origin(found->second, static_cast<const wchar_t*>(information))) return;
  // A header named with no value is removed by the replace flag.
  WinHttpAddRequestHeaders(request, L"Authorization:", DWORD(-1), WINHTTP_ADDREQ_FLAG_REPLACE);
  guarded().erase(found);
}

}  // namespace

bool guard_credentials(HINTERNET request, Origin origin) {
  if (WinHttpSetStatusCallback(request, on_redirect, WINHTTP_CALLBACK_FLAG_REDIRECT, 0) ==
      WINHTTP_INVALID_STATUS_CALLBACK) {
    return false;
  }
  guarded()[request] = std::move(origin);
  return true;
}

void release_credential_guard(HINTERNET request) {
  guarded().erase(request);
}

}  // namespace lc::platform::windows
