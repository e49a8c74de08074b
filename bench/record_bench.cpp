// Recording one answer of 2,000 links in a record that holds 1,000,000 rows, against the same in
// one of 10,000: the record's cost per answer must not grow with its size. Prints
// "cli_record_answer_us" (per link, at 1,000,000 rows) and "cli_record_answer_growth".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "push/record/sqlite_record.h"

namespace {

using namespace lc::push;

constexpr std::size_t kAnswer = 2000;
constexpr int kAnswers = 7;

std::vector<std::string> links(std::size_t from, std::size_t count) {
  std::vector<std::string> made;
  made.reserve(count);
  char text[64];
  for (std::size_t i = from; i < from + count; ++i) {
    std::snprintf(text, sizeof text, "https://www.example.com/articles/%08zu.html", i);
    made.emplace_back(text);
  }
  return made;
}

// Takes `urls` in and records them as accepted in one answer; gives the seconds the answer took.
double take_in_and_accept(Record& record, const std::vector<std::string>& urls) {
  std::vector<SourceLink> taken;
  std::vector<std::string_view> sent;
  for (const std::string& url : urls) {
    taken.push_back({url, std::nullopt, std::nullopt});
    sent.push_back(url);
  }
  record.take_in(taken, false);
  record.commit_intake();
  const std::vector<LinkOutcome> accepted(sent.size(), LinkOutcome::accepted());
  const auto start = std::chrono::steady_clock::now();
  record.record_answer(
      {.sent = sent, .words = "200 OK", .outcomes = accepted, .remaining = 1'000'000});
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median seconds of recording an answer of kAnswer new links in a record of `rows` rows.
double answer_seconds(std::size_t rows) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("record-bench-" + std::to_string(rows));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::vector<double> seconds;
  {
    const std::unique_ptr<Record> record =
        open_sqlite_record({.path = (folder / "record.db").string(),
                            .destination = "bench",
                            .wait_seconds = 0,
                            .dry_run = false});
    take_in_and_accept(*record, links(0, rows));
    for (int i = 0; i < kAnswers; ++i)
      seconds.push_back(take_in_and_accept(*record, links(rows + i * kAnswer, kAnswer)));
  }
  std::filesystem::remove_all(folder);
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

}  // namespace

int main() {
  const double small = answer_seconds(10'000);
  const double large = answer_seconds(1'000'000);
  std::printf("cli_record_answer_us %.3f us\n", large * 1e6 / kAnswer);
  std::printf("cli_record_answer_growth %.3f ratio\n", large / small);
}
