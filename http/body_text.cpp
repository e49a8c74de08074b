#include "http/body_text.h"

#include "common/text_ops.h"
#include "http/utf16_text.h"
#include "platform/charset_decoder.h"

namespace lc {
namespace {

constexpr TextView kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
// The search never looks further, so its cost does not grow with the body.
constexpr TextPos kCharsetSearchBytes = 1024;

}  // namespace

std::optional<Text> declared_charset(RegexObject& regex, TextView body_text) {
  if (!regex.create(kCharsetPattern, left(body_text, kCharsetSearchBytes))) return std::nullopt;
  return regex.submatch_text(1, 1);
}

std::optional<Text> converted_body(TextView charset, TextView body) {
  const std::optional<std::u16string> units = platform::decode_charset(charset, body);
  if (!units) return std::nullopt;
  return utf16_units_to_text(*units);
}

}  // namespace lc
