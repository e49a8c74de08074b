#include "platform/windows/trusted_authorities.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/system_transport.h"

namespace lc::platform {
namespace {

constexpr std::string_view kPemEnd = "-----END CERTIFICATE-----";

bool add_to_root_store(const std::string& pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr)) {
    return false;
  }
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr)) {
    return false;
  }
  return CertAddEncodedCertificateToSystemStoreA("Root", reinterpret_cast<const BYTE*>(der.data()),
                                                 size) != FALSE;
}

}  // namespace

bool trust_test_authorities() {
  static std::string installed;
  const std::string& path = trusted_certificates_file();
  if (path.empty() || path == installed) return true;
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  const std::string pem = content.str();
  std::size_t at = 0;
  bool any = false;
  while (at < pem.size()) {
    const std::size_t end = pem.find(kPemEnd, at);
    if (end == std::string::npos) break;
    if (!add_to_root_store(pem.substr(at, end + kPemEnd.size() - at))) return false;
    any = true;
    at = end + kPemEnd.size();
  }
  if (any) installed = path;
  return any;
}

}  // namespace lc::platform
