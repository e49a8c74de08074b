#include "common/text_search.h"

#include <cstring>

namespace lc {
namespace {

constexpr std::size_t kNone = TextView::npos;

char fold(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Any byte below 0x80 ends a character, so only the run of high bytes right before `index`
// decides whether it begins one; `floor` is a position already known to begin a character.
bool begins_character_after(TextView text, std::size_t index, std::size_t floor) {
  std::size_t run_start = index;
  while (run_start > floor && is_lead_byte(text[run_start - 1]))
    --run_start;
  return (index - run_start) % 2 == 0;
}

// Compares `what` at `at`, folding only its single-byte letters: the second byte of a pair is
// compared exactly, as it is no letter of its own.
bool matches_ignoring_case(TextView text, std::size_t at, TextView what) {
  for (std::size_t i = 0; i < what.size(); ++i) {
    if (is_lead_byte(what[i])) {
      if (text[at + i] != what[i]) return false;
      if (++i < what.size() && text[at + i] != what[i]) return false;
    } else if (fold(text[at + i]) != fold(what[i])) {
      return false;
    }
  }
  return true;
}

// The next place where the bytes of `what` stand, aligned or not: glibc's memmem where there is
// one, the standard library's search elsewhere.
std::size_t next_bytes(TextView text, TextView what, std::size_t from) {
#ifdef __GLIBC__
  const void* hit = memmem(text.data() + from, text.size() - from, what.data(), what.size());
  return hit == nullptr ? kNone
                        : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
#else
  return text.find(what, from);
#endif
}

// `from` begins a character. A fast byte search proposes candidates; each is kept only when it
// begins a character, judged from the nearest byte known to begin one.
std::size_t find_exact(TextView text, TextView what, std::size_t from) {
  std::size_t known_boundary = from;
  while (from + what.size() <= text.size()) {
    const std::size_t at = next_bytes(text, what, from);
    if (at == kNone) return kNone;
    if (begins_character_after(text, at, known_boundary)) return at;
    // `at` is the second byte of a pair, so the byte after it begins a character.
    known_boundary = at + 1;
    from = at + 1;
  }
  return kNone;
}

std::size_t find_ignoring_case(TextView text, TextView what, std::size_t from) {
  // The first byte folds alike whether it is a letter or not, so it screens candidates cheaply.
  const char first = fold(what[0]);
  for (std::size_t at = from; at + what.size() <= text.size();
       at += is_lead_byte(text[at]) ? 2 : 1) {
    if (fold(text[at]) == first && matches_ignoring_case(text, at, what)) return at;
  }
  return kNone;
}

std::size_t first_boundary_at_or_after(TextView text, std::size_t index) {
  return begins_character_after(text, index, 0) ? index : index + 1;
}

}  // namespace

OccurrenceScanner::OccurrenceScanner(TextView text, TextView what, bool ignore_case)
    : text_(text),
      what_(what),
      ignore_case_(ignore_case),
      what_ends_on_boundary_(begins_character_after(what, what.size(), 0)) {}

std::size_t OccurrenceScanner::next() {
  if (what_.empty() || from_ >= text_.size()) return kNone;
  const std::size_t at =
      ignore_case_ ? find_ignoring_case(text_, what_, from_) : find_exact(text_, what_, from_);
  if (at == kNone) {
    from_ = text_.size();
    return kNone;
  }
  // A `what` that ends in a lone lead byte swallows the first byte of the next character.
  from_ = at + what_.size() + (what_ends_on_boundary_ ? 0 : 1);
  return at;
}

TextPos find(TextView text, TextView what, TextPos start, bool ignore_case) {
  if (start < 1) start = 1;
  if (start > static_cast<TextPos>(text.size())) return kNotFound;
  const std::size_t from = first_boundary_at_or_after(text, static_cast<std::size_t>(start - 1));
  if (what.empty()) return from < text.size() ? static_cast<TextPos>(from) + 1 : kNotFound;
  const std::size_t at =
      ignore_case ? find_ignoring_case(text, what, from) : find_exact(text, what, from);
  return at == kNone ? kNotFound : static_cast<TextPos>(at) + 1;
}

TextPos find_last(TextView text, TextView what) {
  if (what.empty()) return kNotFound;
  // Occurrences may overlap here, so step one character past each hit rather than past `what`.
  TextPos last = kNotFound;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = find_exact(text, what, from);
    if (at == kNone) break;
    last = static_cast<TextPos>(at) + 1;
    from = at + (is_lead_byte(text[at]) ? 2 : 1);
  }
  return last;
}

TextPos find_last(TextView text, TextView what, TextPos start) {
  if (start < 2) return kNotFound;
  const auto limit = static_cast<std::size_t>(start - 1);
  return find_last(text.substr(0, limit), what);
}

}  // namespace lc
