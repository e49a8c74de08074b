// Character-aligned searching over a large mixed text, side by side with glibc's memmem.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "common/marked_text.h"
#include "common/text_search.h"

namespace {

constexpr std::size_t kTextSize = 64 << 20;

// Mixed ASCII and double-byte characters, as a page of Chinese text with markup would be.
const lc::Text& mixed_text() {
  static const lc::Text text = [] {
    lc::Text result;
    result.reserve(kTextSize + 2);
    std::mt19937 random(7);
    while (result.size() < kTextSize) {
      if (random() % 2 == 0) {
        result.push_back(static_cast<char>('a' + random() % 26));
      } else {
        result.push_back(static_cast<char>(0xB0 + random() % 0x40));
        result.push_back(static_cast<char>(0xA1 + random() % 0x5E));
      }
    }
    return result;
  }();
  return text;
}

constexpr lc::TextView kAbsentNeedle = "{\"absent\":1}";

void find_absent(benchmark::State& state) {
  const lc::Text& text = mixed_text();
  for (auto _ : state)
    benchmark::DoNotOptimize(lc::find(text, kAbsentNeedle));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(find_absent)->Unit(benchmark::kMillisecond);

void memmem_absent(benchmark::State& state) {
  const lc::Text& text = mixed_text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        memmem(text.data(), text.size(), kAbsentNeedle.data(), kAbsentNeedle.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(memmem_absent)->Unit(benchmark::kMillisecond);

void between_markers_at_end(benchmark::State& state) {
  const lc::Text text = mixed_text() + "{\"remain_batch\":498,\"success_batch\":2}";
  // "success_batch#引号:" as the submit command writes it.
  const lc::Text start_marker = "success_batch" + lc::Text(lc::kQuoteMarker) + ":";
  for (auto _ : state) {
    benchmark::DoNotOptimize(lc::text_between_markers(text, start_marker, "}"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(between_markers_at_end)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
