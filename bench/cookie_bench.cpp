// Merging cost as the number of cookie items grows tenfold.
#include <benchmark/benchmark.h>

#include "http/cookie_merge.h"

namespace {

lc::Text cookie_string(std::size_t items, std::size_t first) {
  lc::Text result;
  for (std::size_t i = first; i < first + items; ++i) {
    if (!result.empty()) result += "; ";
    result += "name" + std::to_string(i) + "=value" + std::to_string(i % 97);
  }
  return result;
}

void merge_cookies_items(benchmark::State& state) {
  const auto items = static_cast<std::size_t>(state.range(0));
  // Half of the incoming names replace stored ones.
  const lc::Text stored = cookie_string(items, 0);
  const lc::Text incoming = cookie_string(items, items / 2);
  for (auto _ : state) {
    lc::Text stored_copy = stored;
    lc::Text incoming_copy = incoming;
    benchmark::DoNotOptimize(lc::merge_cookies(stored_copy, incoming_copy));
  }
}
BENCHMARK(merge_cookies_items)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
