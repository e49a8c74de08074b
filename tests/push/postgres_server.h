#pragma once
// A throwaway PostgreSQL server from Debian's package: made with initdb in a temporary folder,
// run by an unprivileged user on a socket there, started once per test program and stopped at
// its end. Each test takes a database of its own.

#include <memory>
#include <string>
#include <vector>

namespace lc::test {

class PostgresServer {
 public:
  // The program's server, started on first use; null where PostgreSQL is not installed.
  static PostgresServer* shared();
  // The same, keeping each commit on the disk (fsync on), as a production server does: for
  // figures that compare it with a file's durable commits.
  static PostgresServer* durable();
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // A postgresql:// URI of a new, empty database.
  std::string new_database();
  // Stops the server at once, as a crash would, and starts it again.
  void restart();
  // The same as shell words, for a test's script.
  std::string restart_command() const;

 private:
  PostgresServer(std::string bin, std::string folder, bool durable);
  static std::unique_ptr<PostgresServer> started(bool durable);
  std::vector<std::string> control(const std::string& action) const;

  std::string bin_;     // the version's programs
  std::string folder_;  // the data, the socket and the log
  bool durable_;
  int databases_ = 0;
};

}  // namespace lc::test
