#include "push/sources/content_hash.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "platform/text_encodings.h"

namespace lc::push {

ContentHasher::ContentHasher(std::string_view ignored) {
  if (ignored.empty()) return;
  ignored_ = std::make_unique<platform::RegexEngine>();
  ignored_->set_flag("Global", true);
  ignored_->set_pattern(platform::utf8_to_utf16(ignored));
  usable_ = ignored_->replace(u"", u"").has_value();
}

std::optional<std::uint64_t> ContentHasher::hash(std::string_view content) {
  if (!usable_) return std::nullopt;
  if (!ignored_) return XXH3_64bits(content.data(), content.size());
  const std::optional<std::u16string> kept =
      ignored_->replace(platform::utf8_to_utf16(content), u"");
  if (!kept) return std::nullopt;
  // Hashed as UTF-8, so that a page the pattern leaves alone hashes as it would without one.
  const std::string bytes = platform::utf16_to_utf8(*kept);
  return XXH3_64bits(bytes.data(), bytes.size());
}

}  // namespace lc::push
