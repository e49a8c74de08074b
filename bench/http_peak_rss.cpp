// Peak resident memory that one 256 MiB GET through http_request adds, over the body's size.
#include <cstdio>
#include <string>

#include "bench/process_memory.h"
#include "http/http_request.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const long before = bench::status_kib("VmRSS");
  const lc::Text body = lc::http_request(std::string(argv[1]) + "/big");
  const long peak = bench::status_kib("VmHWM");
  const double body_kib = static_cast<double>(body.size()) / 1024;
  std::printf("http_get_256mib_peak_rss %.3f ratio\n", (peak - before) / body_kib);
  return body.size() == (256u << 20) ? 0 : 1;
}
