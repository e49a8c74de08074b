#pragma once
// Signing with an RSA private key as JSON Web Tokens are signed (RS256: RSASSA-PKCS1-v1_5 over
// SHA-256): OpenSSL's libcrypto on Linux, the system's CNG on Windows.

#include <optional>
#include <string>
#include <string_view>

namespace lc::platform {

// The signature of `data` by the PKCS #8 private key that `pem` holds ("-----BEGIN PRIVATE
// KEY-----", as service-account key files carry it), as bytes; empty when the key cannot be
// read or is no RSA key.
std::optional<std::string> sign_rs256(std::string_view pem, std::string_view data);

}  // namespace lc::platform
