#include "platform/text_encodings.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace lc::platform {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

ConverterHandle open_cp936() {
  UErrorCode status = U_ZERO_ERROR;
  // ICU's "cp936" is windows-936-2000, the mapping Windows itself uses.
  ConverterHandle converter(ucnv_open("cp936", &status));
  if (converter) ucnv_setSubstChars(converter.get(), "?", 1, &status);
  return converter;
}

// Opening a converter costs far more than a conversion; each thread keeps its own. Null only
// when ICU lacks its data, and then every conversion gives nothing.
UConverter* cp936() {
  thread_local ConverterHandle converter = open_cp936();
  if (converter) ucnv_reset(converter.get());
  return converter.get();
}

std::u16string normalized_nfc(std::u16string_view piece) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  std::u16string result(piece.size() + 8, u'\0');
  const int32_t needed =
      unorm2_normalize(nfc, piece.data(), static_cast<int32_t>(piece.size()), result.data(),
                       static_cast<int32_t>(result.size()), &status);
  if (U_FAILURE(status)) return std::u16string(piece);
  result.resize(static_cast<std::size_t>(needed));
  return result;
}

// Folds a base character and the combining marks after it into the precomposed character, as
// the Windows conversion's composite check does. Only such runs are normalized: full NFC would
// also rewrite compatibility ideographs that code page 936 holds as they are.
std::u16string composed(std::u16string_view units) {
  std::u16string result;
  result.reserve(units.size());
  std::size_t base = 0;  // where the code point before the next combining run begins
  std::size_t at = 0;
  while (at < units.size()) {
    UChar32 code_point;
    std::size_t next = at;
    U16_NEXT(units.data(), next, units.size(), code_point);
    if (u_getCombiningClass(code_point) == 0) {
      result.append(units.substr(at, next - at));
      base = at;
      at = next;
      continue;
    }
    std::size_t run_end = next;
    while (run_end < units.size()) {
      std::size_t after = run_end;
      U16_NEXT(units.data(), after, units.size(), code_point);
      if (u_getCombiningClass(code_point) == 0) break;
      run_end = after;
    }
    const bool has_base = at > 0;
    if (has_base) result.resize(result.size() - (at - base));
    result.append(
        normalized_nfc(units.substr(has_base ? base : at, run_end - (has_base ? base : at))));
    at = run_end;
  }
  return result;
}

// Whether any unit is a combining mark; those all lie at U+0300 and above.
bool has_combining_marks(std::u16string_view units) {
  for (char16_t unit : units) {
    if (unit >= 0x300 && u_getCombiningClass(unit) != 0) return true;
  }
  return false;
}

// Decodes `bytes` into `out`, which has room for one unit a byte; returns the units written.
std::size_t decode_into(UConverter* converter, TextView bytes, char16_t* out) {
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written = ucnv_toUChars(converter, out, static_cast<int32_t>(bytes.size()),
                                        bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  return U_FAILURE(status) ? 0 : static_cast<std::size_t>(written);
}

void append_encoded(UConverter* converter, std::u16string_view units, Text& out) {
  const std::size_t old_size = out.size();
  out.resize(old_size + units.size() * 2);  // every unit gives at most two bytes
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written =
      ucnv_fromUChars(converter, out.data() + old_size, static_cast<int32_t>(units.size() * 2),
                      units.data(), static_cast<int32_t>(units.size()), &status);
  out.resize(old_size + (U_FAILURE(status) ? 0 : static_cast<std::size_t>(written)));
}

bool is_ascii(char byte) {
  return static_cast<unsigned char>(byte) < 0x80;
}

// Where the run of ASCII bytes from `at` ends, looking at eight bytes a step.
std::size_t ascii_run_end(TextView text, std::size_t at) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  while (at + 8 <= text.size()) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, sizeof word);
    if ((word & kHighBits) != 0) break;
    at += 8;
  }
  while (at < text.size() && is_ascii(text[at]))
    ++at;
  return at;
}

}  // namespace

// ASCII passes straight through; only the stretches with other bytes go to the converter. A byte
// below 0x80 right after another one always begins a character, so stretches end there. Every
// byte gives at most one unit: room for that is reserved, but only the units written are
// touched, so a subject of double-byte text costs memory for what it holds, not for its bytes.
std::u16string cp936_to_utf16(TextView text) {
  UConverter* converter = cp936();
  if (converter == nullptr) return {};
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t written = units.size();
    if (is_ascii(text[at])) {
      const std::size_t end = ascii_run_end(text, at);
      units.resize(written + (end - at));
      for (std::size_t unit = written; at < end; ++at, ++unit)
        units[unit] = static_cast<char16_t>(text[at]);
      continue;
    }
    std::size_t end = at + 1;
    while (end < text.size() && !(is_ascii(text[end]) && is_ascii(text[end - 1])))
      ++end;
    units.resize(written + (end - at));
    units.resize(written + decode_into(converter, text.substr(at, end - at), &units[written]));
    at = end;
  }
  return units;
}

Text utf16_to_cp936(std::u16string_view units) {
  UConverter* converter = cp936();
  if (converter == nullptr) return {};
  std::u16string composed_units;
  if (has_combining_marks(units)) units = composed_units = composed(units);
  Text text;
  text.reserve(units.size());
  for (std::size_t at = 0; at < units.size();) {
    if (units[at] < 0x80) {
      text.push_back(static_cast<char>(units[at++]));
      continue;
    }
    std::size_t end = at + 1;
    while (end < units.size() && units[end] >= 0x80)
      ++end;
    ucnv_reset(converter);
    append_encoded(converter, units.substr(at, end - at), text);
    at = end;
  }
  return text;
}

}  // namespace lc::platform
