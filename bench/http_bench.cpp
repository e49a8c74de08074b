// http_request side by side with a plain libcurl easy handle doing the same exchange against the
// same local server: sequential submit POSTs, and one 256 MiB GET.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "http/http_request.h"

namespace {

std::string server;  // "http://127.0.0.1:PORT", from the command line

// 2,000 links of about 50 bytes, CR LF between them: about 100 KB.
const std::string& links() {
  static const std::string text = [] {
    std::string result;
    for (int i = 0; i < 2000; ++i) {
      if (i > 0) result += "\r\n";
      result += "https://www.example.com/articles/2026/12/" + std::to_string(100000 + i) + ".html";
    }
    return result;
  }();
  return text;
}

std::size_t append_to_string(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The plain client: one easy handle per exchange, as each http_request has its own.
std::string curl_exchange(const std::string& url, const std::string* body) {
  CURL* easy = curl_easy_init();
  curl_slist* headers = nullptr;
  for (const char* line :
       {"User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
        "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded",
        "Cache-Control: no-cache", "Expect:"}) {
    headers = curl_slist_append(headers, line);
  }
  std::string answer;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, append_to_string);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
  if (body != nullptr) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
  }
  curl_easy_perform(easy);
  curl_slist_free_all(headers);
  curl_easy_cleanup(easy);
  return answer;
}

constexpr int kPosts = 300;

void http_request_posts(benchmark::State& state) {
  const std::string url = server + "/urls?site=www.example.com&token=t";
  for (auto _ : state) {
    for (int i = 0; i < kPosts; ++i) {
      benchmark::DoNotOptimize(
          lc::http_request(url, {.method = lc::HttpMethod::kPost, .body_text = links()}));
    }
  }
}
BENCHMARK(http_request_posts)->Unit(benchmark::kMillisecond)->UseRealTime();

void curl_posts(benchmark::State& state) {
  const std::string url = server + "/urls?site=www.example.com&token=t";
  for (auto _ : state) {
    for (int i = 0; i < kPosts; ++i)
      benchmark::DoNotOptimize(curl_exchange(url, &links()));
  }
}
BENCHMARK(curl_posts)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr std::int64_t kBigBody = 256 << 20;

void http_request_get_256mib(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(lc::http_request(server + "/big"));
  state.SetBytesProcessed(state.iterations() * kBigBody);
}
BENCHMARK(http_request_get_256mib)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

void curl_get_256mib(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(curl_exchange(server + "/big", nullptr));
  state.SetBytesProcessed(state.iterations() * kBigBody);
}
BENCHMARK(curl_get_256mib)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  server = argv[1];
  argv[1] = argv[0];
  --argc;
  ++argv;
  curl_global_init(CURL_GLOBAL_DEFAULT);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
