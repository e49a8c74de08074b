// The Linux engine's matching: PCRE2's two matchers give one answer, and every call ends.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/linux/regex_program.h"

namespace lc::platform {
namespace {

// Every match's spans, start and length, then whether matching failed.
std::vector<std::size_t> all_matches(RegexProgram& program, std::u16string_view subject,
                                     MatchPath path) {
  std::vector<std::size_t> found;
  const bool matched = program.for_each_match(
      subject, true,
      [&](MatchSpans match) {
        for (const Span& span : match)
          found.insert(found.end(), {span.start, span.length});
      },
      path);
  found.push_back(matched);
  return found;
}

// Patterns built from the pieces that PCRE2's two matchers treat differently if at all: groups,
// alternatives, back-references, lookaheads, lazy and bounded repeats, anchors.
class PatternMaker {
 public:
  explicit PatternMaker(unsigned seed) : random_(seed) {}

  std::u16string pattern() { return sequence(3); }

  std::u16string subject() {
    static constexpr std::u16string_view kUnits = u"aabbxS \n\r\u017F\u4E2D";
    std::u16string text(pick(12), u' ');
    for (char16_t& unit : text)
      unit = kUnits[pick(kUnits.size())];
    return text;
  }

 private:
  std::size_t pick(std::size_t count) { return random_() % count; }

  std::u16string sequence(int depth) {
    std::u16string out;
    for (std::size_t atoms = 1 + pick(3); atoms > 0; --atoms)
      out += quantified(depth);
    return out;
  }

  std::u16string quantified(int depth) {
    // Mostly bounded: patterns with two open repeats stay interpreted.
    static constexpr std::u16string_view kQuantifiers[] = {
        u"", u"", u"", u"?", u"??", u"{1,2}", u"{2}", u"{0,3}?", u"*", u"+?"};
    std::u16string out = atom(depth);
    if (out == u"^" || out == u"$" || out == u"\\b") return out;
    return out + std::u16string(kQuantifiers[pick(std::size(kQuantifiers))]);
  }

  std::u16string atom(int depth) {
    static constexpr std::u16string_view kAtoms[] = {
        u"a", u"b", u"x",   u".",   u"\\w", u"\\s", u"[ab]",   u"[^a]",
        u"^", u"$", u"\\b", u"\\1", u"\\2", u"s",   u"\u4E2D", u"[^\u4E2D]"};
    if (depth > 0 && pick(3) == 0) {
      static constexpr std::u16string_view kOpenings[] = {u"(", u"(", u"(?:", u"(?=", u"(?!"};
      std::u16string group(kOpenings[pick(std::size(kOpenings))]);
      group += sequence(depth - 1);
      if (pick(2) == 0) group += u"|" + sequence(depth - 1);
      return group + u")";
    }
    return std::u16string(kAtoms[pick(std::size(kAtoms))]);
  }

  std::mt19937 random_;
};

TEST(RegexPathsTest, InterpreterAndMachineCodeGiveOneAnswer) {
  PatternMaker maker(20261207);
  int compared = 0;
  for (int round = 0; round < 6000; ++round) {
    const std::u16string pattern = maker.pattern();
    const bool ignore_case = round % 2 == 0;
    const bool multiline = round % 3 == 0;
    std::unique_ptr<RegexProgram> program = RegexProgram::compile(pattern, ignore_case, multiline);
    if (!program) continue;
    const std::u16string subject = maker.subject();
    ++compared;
    EXPECT_EQ(all_matches(*program, subject, MatchPath::interpreter),
              all_matches(*program, subject, MatchPath::machine_code))
        << std::string(pattern.begin(), pattern.end()) << " on \""
        << std::string(subject.begin(), subject.end()) << "\" case " << ignore_case << " lines "
        << multiline;
  }
  EXPECT_GT(compared, 3000);
}

// PCRE2 bounds the steps at each start position; a polynomial runaway stays under that bound at
// every one of them, and only the call's budget ends it.
TEST(RegexProgramTest, PolynomialRunawayFailsWithinTheCallsBudget) {
  std::unique_ptr<RegexProgram> program =
      RegexProgram::compile(u".*?(.[^ \\w]*\u03C9\\d)+|\u5B57", false, false);
  ASSERT_TRUE(program);
  EXPECT_FALSE(program->for_each_match(std::u16string(3000, u'\u4E2D'), false, [](MatchSpans) {}));
}

}  // namespace
}  // namespace lc::platform
