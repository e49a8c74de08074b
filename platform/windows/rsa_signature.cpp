#include "platform/rsa_signature.h"

// clang-format off
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
// clang-format on

#include <algorithm>
#include <iterator>
#include <span>
#include <vector>

namespace lc::platform {
namespace {

// The DER bytes of a PEM text.
std::optional<std::vector<BYTE>> pem_bytes(std::string_view pem) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &size, nullptr, nullptr)) {
    return std::nullopt;
  }
  std::vector<BYTE> bytes(size);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            bytes.data(), &size, nullptr, nullptr)) {
    return std::nullopt;
  }
  bytes.resize(size);
  return bytes;
}

// The contents of the DER element with `tag` at `at`, which moves past it; empty when another
// element stands there.
std::optional<std::span<const BYTE>> der_element(std::span<const BYTE> bytes, std::size_t& at,
                                                 BYTE tag) {
  if (at + 2 > bytes.size() || bytes[at] != tag) return std::nullopt;
  std::size_t length = bytes[at + 1];
  std::size_t start = at + 2;
  if (length & 0x80) {
    const std::size_t octets = length & 0x7F;
    if (octets == 0 || octets > 3 || start + octets > bytes.size()) return std::nullopt;
    length = 0;
    for (std::size_t n = 0; n < octets; ++n)
      length = length << 8 | bytes[start + n];
    start += octets;
  }
  if (start + length > bytes.size()) return std::nullopt;
  at = start + length;
  return bytes.subspan(start, length);
}

// The RSAPrivateKey inside a PKCS #8 PrivateKeyInfo: SEQUENCE { version, SEQUENCE { rsaEncryption,
// NULL }, OCTET STRING }. Read here: not every system's crypt32 decodes it.
std::optional<std::span<const BYTE>> rsa_private_key(std::span<const BYTE> der) {
  static constexpr BYTE kRsaEncryption[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
  constexpr BYTE kSequence = 0x30, kInteger = 0x02, kObject = 0x06, kOctets = 0x04;
  std::size_t at = 0;
  const auto info = der_element(der, at, kSequence);
  if (!info) return std::nullopt;
  std::size_t inner = 0;
  std::size_t in_algorithm = 0;
  std::optional<std::span<const BYTE>> algorithm;
  std::optional<std::span<const BYTE>> object;
  if (!der_element(*info, inner, kInteger) || !(algorithm = der_element(*info, inner, kSequence)) ||
      !(object = der_element(*algorithm, in_algorithm, kObject)) ||
      !std::equal(object->begin(), object->end(), std::begin(kRsaEncryption),
                  std::end(kRsaEncryption))) {
    return std::nullopt;
  }
  return der_element(*info, inner, kOctets);
}

// The private-key blob CNG imports, from the RSAPrivateKey of a PKCS #8 key: SEQUENCE { version,
// n, e, d, p, q, ... }, each a big-endian INTEGER; the blob takes e, n, p and q as they stand.
std::optional<std::vector<BYTE>> rsa_key_blob(std::string_view pem) {
  constexpr BYTE kSequence = 0x30, kInteger = 0x02;
  const std::optional<std::vector<BYTE>> der = pem_bytes(pem);
  const std::optional<std::span<const BYTE>> key = der ? rsa_private_key(*der) : std::nullopt;
  if (!key) return std::nullopt;
  std::size_t at = 0;
  const auto fields = der_element(*key, at, kSequence);
  if (!fields) return std::nullopt;
  std::span<const BYTE> numbers[6];  // version, n, e, d, p, q
  std::size_t inner = 0;
  for (std::span<const BYTE>& number : numbers) {
    const auto integer = der_element(*fields, inner, kInteger);
    if (!integer) return std::nullopt;
    number = *integer;
    while (number.size() > 1 && number.front() == 0)
      number = number.subspan(1);  // DER's sign byte
  }
  const auto& [version, modulus, exponent, private_exponent, prime1, prime2] = numbers;
  BCRYPT_RSAKEY_BLOB header{};
  header.Magic = BCRYPT_RSAPRIVATE_MAGIC;
  header.BitLength = static_cast<ULONG>(modulus.size() * 8);
  header.cbPublicExp = static_cast<ULONG>(exponent.size());
  header.cbModulus = static_cast<ULONG>(modulus.size());
  header.cbPrime1 = static_cast<ULONG>(prime1.size());
  header.cbPrime2 = static_cast<ULONG>(prime2.size());
  std::vector<BYTE> blob(reinterpret_cast<const BYTE*>(&header),
                         reinterpret_cast<const BYTE*>(&header) + sizeof header);
  for (const std::span<const BYTE> part : {exponent, modulus, prime1, prime2})
    blob.insert(blob.end(), part.begin(), part.end());
  return blob;
}

std::optional<std::vector<BYTE>> sha256(std::string_view data) {
  std::vector<BYTE> digest(32);
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool done =
      BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
      BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                                    static_cast<ULONG>(data.size()), 0)) &&
      BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), 32, 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) return std::nullopt;
  return digest;
}

}  // namespace

std::optional<std::string> sign_rs256(std::string_view pem, std::string_view data) {
  std::optional<std::vector<BYTE>> blob = rsa_key_blob(pem);
  std::optional<std::vector<BYTE>> digest = sha256(data);
  if (!blob || !digest) return std::nullopt;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_KEY_HANDLE key = nullptr;
  BCRYPT_PKCS1_PADDING_INFO padding{BCRYPT_SHA256_ALGORITHM};
  ULONG size = 0;
  std::string signature;
  bool done =
      BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_RSA_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_RSAPRIVATE_BLOB, &key,
                                         blob->data(), static_cast<ULONG>(blob->size()), 0)) &&
      BCRYPT_SUCCESS(
          BCryptSignHash(key, &padding, digest->data(), 32, nullptr, 0, &size, BCRYPT_PAD_PKCS1));
  if (done) {
    signature.resize(size);
    done = BCRYPT_SUCCESS(BCryptSignHash(key, &padding, digest->data(), 32,
                                         reinterpret_cast<PUCHAR>(signature.data()), size, &size,
                                         BCRYPT_PAD_PKCS1));
    signature.resize(size);
  }
  if (key != nullptr) BCryptDestroyKey(key);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) return std::nullopt;
  return signature;
}

}  // namespace lc::platform
