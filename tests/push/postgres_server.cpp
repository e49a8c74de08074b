#include "tests/push/postgres_server.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "tests/support/child_process.h"

namespace lc::test {
namespace {

// initdb refuses root: the server runs as the package's own user then.
std::vector<std::string> as_server_user(std::vector<std::string> argv) {
  if (::geteuid() != 0) return argv;
  argv.insert(argv.begin(), {"runuser", "-u", "postgres", "--"});
  return argv;
}

std::string newest_bin() {
  std::string newest;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored)) {
    const std::string bin = entry.path().string() + "/bin";
    if (std::filesystem::exists(bin + "/initdb") && bin > newest) newest = bin;
  }
  return newest;
}

}  // namespace

std::unique_ptr<PostgresServer> PostgresServer::started(bool durable) {
  const std::string bin = newest_bin();
  if (bin.empty()) return nullptr;
  std::string folder = (std::filesystem::temp_directory_path() / "lc-pg-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("cannot make a folder");
  if (::geteuid() == 0 && !run_command({"chown", "postgres:", folder}))
    throw std::runtime_error("cannot give " + folder + " to postgres");
  return std::unique_ptr<PostgresServer>(new PostgresServer(bin, folder, durable));
}

PostgresServer* PostgresServer::shared() {
  static const std::unique_ptr<PostgresServer> server = started(false);
  return server.get();
}

PostgresServer* PostgresServer::durable() {
  static const std::unique_ptr<PostgresServer> server = started(true);
  return server.get();
}

PostgresServer::PostgresServer(std::string bin, std::string folder, bool durable)
    : bin_(std::move(bin)), folder_(std::move(folder)), durable_(durable) {
  if (!run_command(as_server_user({bin_ + "/initdb", "-D", folder_ + "/data", "-A", "trust", "-U",
                                   "linkcourier", "--no-sync", "-E", "UTF8", "--locale=C.UTF-8"})))
    throw std::runtime_error("initdb failed in " + folder_);
  if (!run_command(control("start")))
    throw std::runtime_error("the test server did not start: " + folder_);
}

PostgresServer::~PostgresServer() {
  run_command(control("stop"));
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::vector<std::string> PostgresServer::control(const std::string& action) const {
  // No TCP at all: a socket in the folder; fsync off, as nothing here outlives the tests, unless
  // the server is to keep each commit as a real one would.
  return as_server_user({bin_ + "/pg_ctl", "-D", folder_ + "/data", "-m", "immediate", "-o",
                         "-k " + folder_ + " -c listen_addresses=" + (durable_ ? "" : " -F"), "-l",
                         folder_ + "/log", "-w", action});
}

std::string PostgresServer::restart_command() const {
  std::string words;
  for (const std::string& word : control("restart"))
    words += (words.empty() ? "'" : " '") + word + "'";
  return words;
}

std::string PostgresServer::new_database() {
  const std::string name = "record" + std::to_string(++databases_);
  if (!run_command({bin_ + "/createdb", "-h", folder_, "-U", "linkcourier", name}))
    throw std::runtime_error("createdb failed on " + folder_);
  return "postgresql:///" + name + "?host=" + folder_ + "&user=linkcourier";
}

void PostgresServer::restart() {
  if (!run_command(control("restart")))
    throw std::runtime_error("the test server did not start again");
}

}  // namespace lc::test
