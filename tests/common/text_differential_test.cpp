// The fast searches against a deliberately simple scan over many generated texts.
#include <gtest/gtest.h>

#include <random>

#include "common/text_ops.h"
#include "common/text_search.h"

namespace lc {
namespace {

// --- the reference: step character by character and compare byte by byte ---

std::vector<std::size_t> character_starts(TextView text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); i += (is_lead_byte(text[i]) ? 2 : 1))
    starts.push_back(i);
  return starts;
}

bool is_second_byte(TextView text, std::size_t index) {
  const auto starts = character_starts(text.substr(0, index + 1));
  return starts.back() != index;
}

char folded(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool same_at(TextView text, std::size_t at, TextView what, bool ignore_case) {
  if (at + what.size() > text.size()) return false;
  for (std::size_t i = 0; i < what.size(); ++i) {
    const bool folds = ignore_case && !is_second_byte(what, i);
    const char a = folds ? folded(text[at + i]) : text[at + i];
    const char b = folds ? folded(what[i]) : what[i];
    if (a != b) return false;
  }
  return true;
}

TextPos reference_find(TextView text, TextView what, TextPos start, bool ignore_case) {
  if (start < 1) start = 1;
  for (std::size_t at : character_starts(text)) {
    if (static_cast<TextPos>(at) + 1 >= start && same_at(text, at, what, ignore_case)) {
      return static_cast<TextPos>(at) + 1;
    }
  }
  return kNotFound;
}

TextPos reference_find_last(TextView text, TextView what) {
  TextPos last = kNotFound;
  for (std::size_t at : character_starts(text)) {
    if (same_at(text, at, what, false)) last = static_cast<TextPos>(at) + 1;
  }
  return last;
}

// 0-based starts of the occurrences taken left to right without overlap.
std::vector<std::size_t> reference_occurrences(TextView text, TextView what) {
  std::vector<std::size_t> found;
  std::size_t allowed_from = 0;
  for (std::size_t at : character_starts(text)) {
    if (at >= allowed_from && same_at(text, at, what, false)) {
      found.push_back(at);
      allowed_from = at + what.size();
    }
  }
  return found;
}

TextList reference_split(TextView text, TextView separator) {
  TextList segments;
  std::size_t segment_start = 0;
  for (std::size_t at : reference_occurrences(text, separator)) {
    segments.emplace_back(text.substr(segment_start, at - segment_start));
    segment_start = at + separator.size();
  }
  if (segment_start < text.size()) segments.emplace_back(text.substr(segment_start));
  return segments;
}

Text reference_replace(TextView text, TextView what, TextView by) {
  Text result;
  std::size_t copied = 0;
  for (std::size_t at : reference_occurrences(text, what)) {
    result.append(text.substr(copied, at - copied)).append(by);
    copied = at + what.size();
  }
  return result.append(text.substr(copied));
}

// --- generated texts full of pairs, lead bytes at the end and markers across pairs ---

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}
  Text text(std::size_t max_size) {
    static const char* const pieces[] = {"a",
                                         "A",
                                         "b",
                                         "}",
                                         ",",
                                         "; ",
                                         "\xB0\xA1",
                                         "\xA1\xA1",
                                         "\xB0}",
                                         "\x81"
                                         "a",
                                         "\xA1",
                                         "\xB0",
                                         " "};
    Text result;
    const std::size_t size = random_() % (max_size + 1);
    while (result.size() < size)
      result += pieces[random_() % std::size(pieces)];
    return result;
  }
  TextPos position(std::size_t size) { return static_cast<TextPos>(random_() % (size + 3)) - 1; }

 private:
  std::mt19937 random_;
};

TEST(TextDifferentialTest, FindAgreesWithTheSimpleScan) {
  Generator generate(1);
  for (int round = 0; round < 20000; ++round) {
    const Text text = generate.text(24);
    const Text what = generate.text(3);
    if (what.empty()) continue;
    const TextPos start = generate.position(text.size());
    const bool ignore_case = round % 3 == 0;
    ASSERT_EQ(find(text, what, start, ignore_case), reference_find(text, what, start, ignore_case))
        << testing::PrintToString(text) << " / " << testing::PrintToString(what) << " @" << start;
  }
}

TEST(TextDifferentialTest, FindLastAgreesWithTheSimpleScan) {
  Generator generate(2);
  for (int round = 0; round < 20000; ++round) {
    const Text text = generate.text(24);
    const Text what = generate.text(3);
    if (what.empty()) continue;
    ASSERT_EQ(find_last(text, what), reference_find_last(text, what))
        << testing::PrintToString(text) << " / " << testing::PrintToString(what);
    const TextPos limit = generate.position(text.size());
    const Text head = text.substr(0, limit > 1 ? static_cast<std::size_t>(limit - 1) : 0);
    ASSERT_EQ(find_last(text, what, limit), reference_find_last(head, what));
  }
}

TEST(TextDifferentialTest, SplitAndReplaceAgreeWithTheSimpleScan) {
  Generator generate(3);
  for (int round = 0; round < 20000; ++round) {
    const Text text = generate.text(24);
    const Text separator = generate.text(3);
    if (separator.empty()) continue;
    ASSERT_EQ(split(text, separator), reference_split(text, separator))
        << testing::PrintToString(text) << " / " << testing::PrintToString(separator);
    ASSERT_EQ(replace(text, separator, "<>"), reference_replace(text, separator, "<>"))
        << testing::PrintToString(text) << " / " << testing::PrintToString(separator);
  }
}

}  // namespace
}  // namespace lc
