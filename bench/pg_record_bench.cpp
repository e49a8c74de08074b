// One claim of the next 500 waiting links and one recorded answer to them, on a record on a
// throwaway PostgreSQL server, beside the same on an SQLite file in the same run. Prints
// "pg_claim_answer_ms" (the median) and "sqlite_claim_answer_ms".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "push/record/record_factory.h"
#include "tests/push/postgres_server.h"
#include "tests/support/child_process.h"

namespace {

using namespace lc::push;

constexpr std::int64_t kBatch = 500;
constexpr int kBatches = 41;

// The median milliseconds of a claim and an answer, over a record of kBatch × kBatches links.
double claim_answer_ms(const std::string& location) {
  const std::unique_ptr<Record> record =
      open_record({.path = location, .destination = "push https://www.example.com/urls"});
  std::vector<std::string> urls;
  char text[64];
  for (std::int64_t i = 0; i < kBatch * kBatches; ++i) {
    std::snprintf(text, sizeof text, "https://www.example.com/articles/%08lld.html",
                  static_cast<long long>(i));
    urls.emplace_back(text);
  }
  std::vector<SourceLink> taken;
  for (const std::string& url : urls)
    taken.push_back({url, std::nullopt, std::nullopt});
  record->take_in(taken, false);
  record->commit_intake();
  const std::vector<LinkOutcome> accepted(kBatch, LinkOutcome::accepted());
  std::vector<double> ms;
  for (int i = 0; i < kBatches; ++i) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> claimed;
    record->for_each_waiting([&](std::string_view link) { claimed.emplace_back(link); }, kBatch);
    const std::vector<std::string_view> sent(claimed.begin(), claimed.end());
    record->record_answer(
        {.sent = sent, .words = "200 OK", .outcomes = accepted, .remaining = 1'000'000});
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main() {
  // Both keep each commit on the disk: the file's synchronous = FULL, the server's fsync.
  lc::test::PostgresServer* server = lc::test::PostgresServer::durable();
  if (server == nullptr) {
    std::fprintf(stderr, "PostgreSQL is not installed\n");
    return 1;
  }
  const double server_ms = claim_answer_ms(server->new_database());
  const lc::test::TemporaryDirectory folder;
  const double file_ms = claim_answer_ms(folder.file("record.db"));
  std::printf("pg_claim_answer_ms %.2f ms\n", server_ms);
  std::printf("sqlite_claim_answer_ms %.2f ms\n", file_ms);
}
