// The Linux engine's matching: PCRE2's two matchers give one answer, and every call ends.
#include <gtest/gtest.h>
#include <chrono>

#include <random>
#include <string>
#include <vector>

#include "platform/linux/regex_pattern.h"
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
    static constexpr std::u16string_view kQuantifiers[] = {
        u"", u"", u"", u"", u"?", u"??", u"{1,2}", u"{2}", u"{0,3}?", u"*", u"+", u"+?", u"*?"};
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
      if (pick(2) == 0) {
        group += u'|';
        group += sequence(depth - 1);
      }
      group += u')';
      return group;
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

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers' own work falls, by fits, into the time the budget measures: there an answer in
// time is not looked for, only a search that ends and touches no memory it should not.
constexpr bool kBudgetMeasured = false;
#else
constexpr bool kBudgetMeasured = true;
#endif
// Most of a call's budget of a second: a search that ran this long was stopped by the clock.
constexpr auto kBudgetSpent = std::chrono::milliseconds(900);

// Patterns that the interpreter alone would fail on, at its memory or time limits or within its
// share of the budget, and machine code answers: matched, or found absent.
TEST(RegexPathsTest, MachineCodeAnswersWhereTheInterpreterWouldFail) {
  std::u16string alternating;
  for (int unit = 0; unit < (1 << 20); ++unit)
    alternating += unit % 2 == 0 ? u'a' : u'b';
  alternating += u'c';
  std::u16string dotted = u"cca1\u6587c";
  for (int i = 0; i < 100; ++i)
    dotted += u".c";
  struct Case {
    std::u16string_view pattern;
    bool ignore_case;
    std::u16string subject;
    std::size_t matches;
  };
  const Case cases[] = {
      {u"(((((a|b)))))*c.*", false, alternating, 1},
      {u"(((((a|b)))))*c(x)?\\6", false, alternating, 1},
      {u".*\\s+c", true, std::u16string(16'384, u'\u0001') + dotted, 0},
      {u".*\\s+c", true, std::u16string(16'000, u'\u0001') + dotted, 0},
  };
  for (const Case& test : cases) {
    std::unique_ptr<RegexProgram> program =
        RegexProgram::compile(test.pattern, test.ignore_case, false);
    ASSERT_TRUE(program);
    std::size_t found = 0;
    const auto search = [&] {
      found = 0;
      return program->for_each_match(test.subject, true, [&](MatchSpans) { ++found; });
    };
    // The budget is the wall clock's: a machine busy with other suites may spend it all, which
    // says nothing of the paths taken. What fails here is a search given up before its budget,
    // at the interpreter's limits; the machine code's speed is the benchmark's to judge.
    const auto began = std::chrono::steady_clock::now();
    const bool answered = search();
    const bool budget_spent = std::chrono::steady_clock::now() - began >= kBudgetSpent;
    if ((!kBudgetMeasured || budget_spent) && !answered) continue;
    EXPECT_TRUE(answered) << std::string(test.pattern.begin(), test.pattern.end()) << " over "
                          << test.subject.size();
    EXPECT_EQ(found, test.matches);
  }
}

// Where the time budget is looked at during one start position: before each repeat that can be
// entered again without PCRE2's machine code counting it. None in patterns whose repeats never
// give back what follows them could match; a missing one lets a call run for minutes.
TEST(RegexPathsTest, BudgetIsLookedAtWhereRepeatsMultiply) {
  struct Case {
    std::u16string_view pattern;
    bool ignore_case;
    std::size_t looks;
  };
  const Case cases[] = {
      {u"<a href=\"([^\"]*)\">([^<]*)</a>", false, 0},
      {u"(\\w+)\\s+(\\w+)", true, 0},
      {u"([\"'])[^\"']*\\1", false, 0},
      {u"a.*|b.*", false, 0},
      {u".*?[^ ]*x", false, 1},
      {u".*\\d+x", false, 1},
      {u"\\d+(?:x)?\\d+", false, 1},
      {u"\\d+(?:x|\\d)\\d+", false, 1},
      {u"\\d+()x\\d+", false, 0},
      {u"k+\u212A+", false, 0},
      {u"k+\u212A+", true, 1},
      {u"(a+)+b", false, 1},
      {u"a+(?=b+)", false, 1},
      {u"a*b*c*", false, 2},
      {u"(a.*|b)c*", false, 1},
      {u"(?:1)*\\d+x", false, 1},
  };
  for (const Case& test : cases) {
    const std::optional<Pcre2Pattern> translated =
        to_pcre2_pattern(test.pattern, {.ignore_case = test.ignore_case});
    ASSERT_TRUE(translated);
    std::size_t looks = 0;
    for (std::size_t at = translated->text.find(u"(?C1)"); at != std::u16string::npos;
         at = translated->text.find(u"(?C1)", at + 1))
      ++looks;
    EXPECT_EQ(looks, test.looks) << std::string(test.pattern.begin(), test.pattern.end());
  }
}

// PCRE2 bounds the steps at each start position; a polynomial runaway stays under that bound at
// every one of them, and only the call's budget ends it.
TEST(RegexProgramTest, PolynomialRunawayFailsWithinTheCallsBudget) {
  struct Case {
    std::u16string_view pattern;
    std::u16string subject;
  };
  const Case cases[] = {
      {u".*?(.[^ \\w]*\u03C9\\d)+|\u5B57", std::u16string(3000, u'\u4E2D')},
      // Two repeats of one character each multiply at a single start position.
      {u".*?[^ ]*x", std::u16string(1 << 18, u'a') + u" x"},
      {u".*\\d+x", std::u16string(1 << 18, u'1') + u"\nx"},
      {u"(?:1)*\\d+x", std::u16string(1 << 18, u'1') + u"\nx"},
  };
  for (const Case& test : cases) {
    std::unique_ptr<RegexProgram> program = RegexProgram::compile(test.pattern, false, false);
    ASSERT_TRUE(program);
    for (const MatchPath path : {MatchPath::interpreter, MatchPath::machine_code})
      EXPECT_FALSE(program->for_each_match(
          test.subject, false, [](MatchSpans) {}, path))
          << std::string(test.pattern.begin(), test.pattern.end());
  }
}

}  // namespace
}  // namespace lc::platform
