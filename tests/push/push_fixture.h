#pragma once
// linkcourier-push end to end: the program under test, run against the push-interface simulator
// on loopback, and the helpers its suites share.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/child_process.h"
#include "tests/support/moved_clock.h"
#include "tests/support/scripted_server.h"

namespace lc::test {

// The program under test: this build's, or the command the suite is given (the Windows build's
// program runs under Wine this way, against the same simulator).
std::string push_command();

struct Outcome {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

std::string read_file_at(const std::string& path);

// `output` without the lines Wine writes of itself ("wine: configuration … has been updated",
// after a moved clock): they are not the program's.
std::string without_wines_own(const std::string& output);

class PushProgramTest : public testing::Test {
 protected:
  // Starts the simulator with `arguments`, in place of the one running and on its port: the
  // interface keeps its address, and the record knows it as the same destination. Returns the
  // interface's address.
  std::string start_simulator(const std::vector<std::string>& arguments) {
    simulator_.reset();
    if (port_ == 0) port_ = unused_port();
    std::vector<std::string> argv = {LINKCOURIER_SIMULATOR, "--port", std::to_string(port_),
                                     "--record", records_.path()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    simulator_ = std::make_unique<ChildProcess>(argv);
    EXPECT_TRUE(simulator_->wait_for_port(port_));
    return "http://127.0.0.1:" + std::to_string(port_) +
           "/urls?site=www.example.com&token=demo-token";
  }

  // The shell words that run the program with `arguments`, the environment's assignments first.
  std::string program(const std::string& arguments, const std::string& environment = "") const {
    // Records kept by default stand in this test's folder, and so do the service's.
    return "XDG_STATE_HOME=" + files_.file("state") +
           " LINKCOURIER_SERVICE_STATE=" + files_.file("service") + " " + environment + " " +
           push_command() + " " + arguments;
  }

  // Runs the program with `arguments` (shell words), standard input from `input` and the
  // environment's assignments (shell words) before it.
  Outcome push(const std::string& arguments, const std::string& input = "",
               const std::string& environment = "") {
    const std::string stdin_file = files_.file("stdin");
    std::ofstream(stdin_file, std::ios::binary) << input;
    Outcome outcome = shell(program(arguments, environment) + " <" + stdin_file + " 2>&1");
    outcome.output = without_wines_own(outcome.output);
    return outcome;
  }

  static Outcome shell(const std::string& script) {
    FILE* program = ::popen(script.c_str(), "r");
    Outcome outcome;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, program) != nullptr)
      outcome.output += buffer;
    outcome.exit_code = WEXITSTATUS(::pclose(program));
    return outcome;
  }

  // The environment's words that run the program a day later, when the engines give their
  // quotas anew.
  static std::string next_day() { return moved_clock("+1d"); }

  // A service account's key file for the Indexing API at `root`, its key made for this test
  // and the public half given to the simulator with --google-key.
  std::string google_account(const std::string& root) {
    if (!std::filesystem::exists(files_.file("account.pem"))) {
      EXPECT_EQ(shell("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out " +
                      files_.file("account.pem") + " 2>&1 && openssl pkey -in " +
                      files_.file("account.pem") + " -pubout -out " + files_.file("public.pem"))
                    .exit_code,
                0);
    }
    return write("account.json",
                 nlohmann::json{{"type", "service_account"},
                                {"client_email", "pusher@example.iam.gserviceaccount.com"},
                                {"private_key", read("account.pem")},
                                {"private_key_id", "key-id-1"},
                                {"token_uri", root + "/token"}}
                     .dump());
  }

  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(files_.file(name), std::ios::binary) << text;
    return files_.file(name);
  }

  std::string read(const std::string& name) const { return read_file_at(files_.file(name)); }

  std::string recorded(int n) const {
    std::ifstream in(records_.file("request-" + std::to_string(n)), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  int requests_recorded() const {
    int count = 0;
    while (std::ifstream(records_.file("request-" + std::to_string(count + 1))))
      ++count;
    return count;
  }

  MovedClockLeftovers leftovers_;
  TemporaryDirectory files_;
  TemporaryDirectory records_;
  std::uint16_t port_ = 0;
  std::unique_ptr<ChildProcess> simulator_;
};

// https://www.example.com/p/100000+N.html for N from `from` to `to`, one a line.
std::string numbered_links(int from, int to);
// A sitemap of those links, each with a <lastmod>.
std::string urlset(int from, int to);
// The links one recorded request carried, CR LF between them, after its head.
std::string links_of(const std::string& request);

// The cells of `status`'s first row for `engine`, split at spaces; none where it has none.
std::vector<std::string> status_row(const std::string& output, const std::string& engine);
// How often each link reached the simulator, over every request it recorded.
std::map<std::string, int> times_sent(const std::vector<std::string>& requests);
// The first `count` requests `recorded` gives.
std::vector<std::string> all_recorded(const std::function<std::string(int)>& recorded, int count);

}  // namespace lc::test
