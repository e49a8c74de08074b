#pragma once
// Character-aligned searching: a match never begins on the second byte of a double-byte
// character. Ignoring case folds single-byte ASCII letters only.

#include <cstddef>

#include "common/text.h"

namespace lc {

// 1-based position of the first occurrence at or after `start` (below 1 counts as 1), or -1.
// An empty `what` is found at the first character boundary at or after `start`.
TextPos find(TextView text, TextView what, TextPos start = 1, bool ignore_case = false);

// Position of the last occurrence in the whole text, or -1.
TextPos find_last(TextView text, TextView what);

// Position of the last occurrence lying entirely within the first `start` - 1 bytes, or -1.
TextPos find_last(TextView text, TextView what, TextPos start);

// Walks the occurrences of a non-empty `what` from left to right without overlap, carrying the
// character alignment along so that a long scan never looks back over what it has passed.
class OccurrenceScanner {
 public:
  OccurrenceScanner(TextView text, TextView what, bool ignore_case = false);
  // 0-based index of the next occurrence, or TextView::npos; each call resumes after the last.
  std::size_t next();

 private:
  TextView text_;
  TextView what_;
  bool ignore_case_;
  bool what_ends_on_boundary_;
  std::size_t from_ = 0;  // always begins a character
};

}  // namespace lc
