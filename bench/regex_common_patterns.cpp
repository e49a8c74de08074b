// Three patterns people write every day, each run globally over a page of 1 Mi units, through the
// engine's program and through PCRE2's machine code called directly on the same subject: the
// summed times, as a ratio. Medians of several rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "platform/linux/regex_program.h"

namespace {

constexpr std::u16string_view kPatterns[] = {
    u"<a href=\"([^\"]*)\">([^<]*)</a>",
    u"(\\w+)\\s+(\\w+)",
    u"([\"'])[^\"']*\\1",
};

// A page's markup: paragraphs of words with quoted phrases and a link in each.
std::u16string page(std::size_t units) {
  const std::u16string paragraph =
      u"<p>The \"quick\" brown fox jumps over the 'lazy' dog, see "
      u"<a href=\"/articles/2026/12/08/index.html\">today's article</a> and more.</p>\n";
  std::u16string text;
  while (text.size() < units)
    text += paragraph;
  text.resize(units);
  return text;
}

template <typename Run>
double median_ms(Run run) {
  std::vector<double> times;
  for (int round = 0; round < 9; ++round) {
    const auto start = std::chrono::steady_clock::now();
    run();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

std::size_t engine_matches(lc::platform::RegexProgram& program, std::u16string_view subject) {
  std::size_t found = 0;
  program.for_each_match(subject, true, [&](lc::platform::MatchSpans) { ++found; });
  return found;
}

std::size_t pcre2_matches(pcre2_code* code, pcre2_match_data* data, pcre2_match_context* context,
                          std::u16string_view subject) {
  std::size_t found = 0;
  PCRE2_SIZE start = 0;
  while (pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start, 0,
                     data, context) > 0) {
    ++found;
    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(data);
    start = offsets[1] > offsets[0] ? offsets[1] : offsets[1] + 1;
  }
  return found;
}

}  // namespace

int main() {
  const std::u16string subject = page(std::size_t{1} << 20);
  double engine_total = 0;
  double pcre2_total = 0;
  for (const std::u16string_view pattern : kPatterns) {
    auto program = lc::platform::RegexProgram::compile(pattern, false, false);
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     0, &error, &offset, nullptr);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 64 << 20, nullptr);
    pcre2_jit_stack_assign(context, nullptr, stack);

    if (!program ||
        engine_matches(*program, subject) != pcre2_matches(code, data, context, subject)) {
      std::fprintf(stderr, "the engine and PCRE2 disagree on a common pattern\n");
      return 1;
    }
    engine_total += median_ms([&] { engine_matches(*program, subject); });
    pcre2_total += median_ms([&] { pcre2_matches(code, data, context, subject); });

    pcre2_jit_stack_free(stack);
    pcre2_match_context_free(context);
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
  std::printf("regex_common_1mib_vs_pcre2_jit %.3f ratio\n", engine_total / pcre2_total);
}
