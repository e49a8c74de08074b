// A 256 MiB GET through http_request side by side with the curl command line writing the same
// body to /dev/null, alternating, against the same local server: the time of each over the
// other's, as the median of a few rounds.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "http/http_request.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool curl_command_line(const std::string& url) {
  std::string program = "curl";
  std::string silent = "-s";
  std::string output = "-o";
  std::string null_device = "/dev/null";
  std::string target = url;
  char* argv[] = {program.data(),     silent.data(), output.data(),
                  null_device.data(), target.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string url = std::string(argv[1]) + "/big";
  std::vector<double> ratios;
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    const lc::Text body = lc::http_request(url);
    const double ours = seconds_since(start);
    start = Clock::now();
    if (!curl_command_line(url) || body.size() != (256u << 20)) return 1;
    ratios.push_back(ours / seconds_since(start));
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("http_get_256mib_vs_curl_cli %.3f ratio\n", ratios[ratios.size() / 2]);
  return 0;
}
