// Under Wine a Windows process can start the host's own programs (a real server from Debian), but
// gets no handle it can wait on or stop. A small shell wrapper writes the program's own process
// id, or its exit status, to a file that we read back; paths are the host's, which the tests reach
// through Wine's drive Z: (the host's root) as long as the current drive is Z:.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

#include "tests/support/child_process.h"

namespace lc::test {
namespace {

using namespace std::chrono_literals;

// One argument quoted the way the runtime splits a command line back into arguments.
std::string quoted(const std::string& argument) {
  std::string result = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    result.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    result.push_back(c);
  }
  result.append(2 * backslashes, '\\');
  return result + "\"";
}

// Runs `script` in the host's shell with `file` as $0 and `argv` as its arguments.
void start_in_host_shell(const std::string& script, const std::string& file,
                         const std::vector<std::string>& argv, const std::string& directory) {
  std::string command = "/bin/sh -c " + quoted(script) + " " + quoted(file);
  for (const std::string& argument : argv)
    command.append(" ").append(quoted(argument));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const std::string folder = directory.empty() ? "" : "Z:" + directory;
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    throw std::runtime_error("cannot start " + argv[0]);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// The first word of `file` once the wrapper has written it whole; nothing after `limit`.
std::optional<long> number_written_to(const std::string& file, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream stream(file);
    long number = 0;
    std::string end;
    if (stream >> number >> end && end == "end") return number;
    std::this_thread::sleep_for(20ms);
  }
  return std::nullopt;
}

std::string fresh_name(const std::string& stem) {
  static std::mt19937_64 random{std::random_device{}()};
  return "/tmp/" + stem + "-" + std::to_string(random());
}

// Gone, or a zombie that nobody will reap.
bool host_process_ended(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string id, name, state;
  return !(stat >> id >> name >> state) || state == "Z";
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, const std::string& directory) {
  const std::string pid_file = fresh_name("linkcourier-pid");
  start_in_host_shell("echo $$ end > \"$0\"; exec \"$@\" </dev/null >/dev/null 2>&1", pid_file,
                      argv, directory);
  const std::optional<long> pid = number_written_to(pid_file, 10s);
  std::filesystem::remove(pid_file);
  if (!pid) throw std::runtime_error("cannot start " + argv[0]);
  pid_ = *pid;
}

ChildProcess::~ChildProcess() {
  start_in_host_shell("kill \"$0\" 2>/dev/null", std::to_string(pid_), {}, "");
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!host_process_ended(pid_) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(20ms);
}

bool run_command(const std::vector<std::string>& argv, const std::string& directory) {
  const std::string status_file = fresh_name("linkcourier-status");
  start_in_host_shell(
      "f=$0; \"$@\" </dev/null >/dev/null 2>&1; echo $? end > \"$f.part\"; mv \"$f.part\" \"$f\"",
      status_file, argv, directory);
  const std::optional<long> status = number_written_to(status_file, 60s);
  std::filesystem::remove(status_file);
  return status == 0;
}

TemporaryDirectory::TemporaryDirectory() {
  char drive[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, drive);
  if (drive[0] != 'Z') throw std::runtime_error("the tests must run with Z: as current drive");
  path_ = fresh_name("linkcourier");
  std::filesystem::create_directory(path_);
}

TemporaryDirectory::~TemporaryDirectory() {
  std::filesystem::remove_all(path_);
}

}  // namespace lc::test
