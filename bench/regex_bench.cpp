// RegexObject side by side with PCRE2 called directly: character-set detection on a page head,
// and a linear pattern over a long subject.
#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "platform/text_encodings.h"
#include "regex/regex_object.h"

namespace {

const lc::Text kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

// A realistic head of 1,024 bytes with Chinese text, its declaration two thirds of the way in.
const lc::Text& page_head() {
  static const lc::Text head = [] {
    lc::Text text =
        "<!DOCTYPE html>\r\n<html lang=\"zh-CN\">\r\n<head>\r\n"
        "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">\r\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
        "<title>\xCA\xD7\xD2\xB3 - \xCD\xF8\xD5\xBE\xB5\xC4\xB1\xEA\xCC\xE2</title>\r\n"
        "<link rel=\"stylesheet\" href=\"/static/css/main.css?v=20261207\">\r\n";
    while (text.size() < 640)
      text += "<link rel=\"preload\" href=\"/static/js/app.js\" as=\"script\">\r\n";
    text += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n";
    while (text.size() < 1024)
      text += "<!-- padding -->";
    text.resize(1024);
    return text;
  }();
  return head;
}

void regex_object_charset_detect(benchmark::State& state) {
  for (auto _ : state) {
    lc::RegexObject regex;
    regex.create(kCharsetPattern, page_head());
    benchmark::DoNotOptimize(regex.submatch_text(1, 1));
  }
}
BENCHMARK(regex_object_charset_detect);

void pcre2_direct_charset_detect(benchmark::State& state) {
  const std::u16string subject = lc::platform::cp936_to_utf16(page_head());
  const std::u16string pattern(kCharsetPattern.begin(), kCharsetPattern.end());
  for (auto _ : state) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    const int found = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                                  subject.size(), 0, 0, data, nullptr);
    const PCRE2_SIZE* groups = pcre2_get_ovector_pointer(data);
    std::u16string charset;
    if (found > 1) charset.assign(subject, groups[2], groups[3] - groups[2]);
    benchmark::DoNotOptimize(charset);
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
}
BENCHMARK(pcre2_direct_charset_detect);

const lc::Text kQuotedPattern = "\"([^\"\\\\]|\\\\.)*\"";

// A quoted string of 1 MiB with an escaped quote now and then, as in a long JSON value.
const lc::Text& quoted_mib() {
  static const lc::Text text = [] {
    lc::Text quoted = "\"";
    while (quoted.size() < (1u << 20) - 1)
      quoted += quoted.size() % 97 == 0 ? "\\\"" : "x";
    return quoted + "\"";
  }();
  return text;
}

void regex_object_long_subject(benchmark::State& state) {
  for (auto _ : state) {
    lc::RegexObject regex;
    regex.create(kQuotedPattern, quoted_mib());
    if (regex.match_count() != 1) state.SkipWithError("no match");
  }
}
BENCHMARK(regex_object_long_subject);

void pcre2_direct_long_subject(benchmark::State& state) {
  const std::u16string subject = lc::platform::cp936_to_utf16(quoted_mib());
  const std::u16string pattern(kQuotedPattern.begin(), kQuotedPattern.end());
  for (auto _ : state) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_CASELESS, &error, &offset, nullptr);
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 64 << 20, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack_assign(context, nullptr, stack);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    if (pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0, data,
                    context) < 0) {
      state.SkipWithError("no match");
    }
    pcre2_match_data_free(data);
    pcre2_match_context_free(context);
    pcre2_jit_stack_free(stack);
    pcre2_code_free(code);
  }
}
BENCHMARK(pcre2_direct_long_subject);

}  // namespace

BENCHMARK_MAIN();
