#pragma once
// A page's content as a 64-bit hash (XXH3: a folder of 2 GB hashes in a fraction of the time
// reading it takes; a change is what is looked for, not an attacker). Content to ignore, such as
// a build's time stamp, is named by a regular expression and removed before hashing. A hasher
// belongs to the thread that makes it (the expression lives in that thread's apartment).

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/com_apartment.h"
#include "platform/regex_engine.h"

namespace lc::push {

class ContentHasher {
 public:
  // `ignored`: a pattern of the project's regular expressions (VBScript's); empty for none.
  explicit ContentHasher(std::string_view ignored);

  // Whether the pattern was taken; a pattern the engine rejects hashes nothing.
  bool usable() const { return usable_; }

  // The hash of `content` (UTF-8) with every match of the pattern removed; nothing where
  // matching ran away past the engine's bounds.
  std::optional<std::uint64_t> hash(std::string_view content);

 private:
  platform::ComApartment apartment_;
  std::unique_ptr<platform::RegexEngine> ignored_;  // none when nothing is ignored
  bool usable_ = true;
};

}  // namespace lc::push
