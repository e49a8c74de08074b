#include "platform/code_page_936.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

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

}  // namespace

std::u16string cp936_to_utf16(TextView text) {
  UConverter* converter = cp936();
  if (text.empty() || converter == nullptr) return {};
  // Every byte gives at most one unit.
  std::u16string units(text.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written = ucnv_toUChars(converter, units.data(), static_cast<int32_t>(units.size()),
                                        text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  units.resize(static_cast<std::size_t>(written));
  return units;
}

Text utf16_to_cp936(std::u16string_view units) {
  UConverter* converter = cp936();
  if (units.empty() || converter == nullptr) return {};
  const std::u16string source = composed(units);
  // Every unit gives at most two bytes ("?" for a lone surrogate, one or two bytes otherwise).
  Text text(source.size() * 2, '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t written =
      ucnv_fromUChars(converter, text.data(), static_cast<int32_t>(text.size()), source.data(),
                      static_cast<int32_t>(source.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return {};
  text.resize(static_cast<std::size_t>(written));
  return text;
}

}  // namespace lc::platform
