#include "platform/rsa_signature.h"

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace lc::platform {
namespace {

template <auto Free>
struct Freeing {
  template <typename T>
  void operator()(T* value) const {
    Free(value);
  }
};

}  // namespace

std::optional<std::string> sign_rs256(std::string_view pem, std::string_view data) {
  const std::unique_ptr<BIO, Freeing<BIO_free>> text(
      BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  const std::unique_ptr<EVP_PKEY, Freeing<EVP_PKEY_free>> key(
      PEM_read_bio_PrivateKey(text.get(), nullptr, nullptr, nullptr));
  if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) return std::nullopt;
  const std::unique_ptr<EVP_MD_CTX, Freeing<EVP_MD_CTX_free>> context(EVP_MD_CTX_new());
  std::size_t size = 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  if (EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &size, bytes, data.size()) != 1) {
    return std::nullopt;
  }
  std::string signature(size, '\0');
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     bytes, data.size()) != 1) {
    return std::nullopt;
  }
  signature.resize(size);
  return signature;
}

}  // namespace lc::platform
