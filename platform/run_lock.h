#pragma once
// One process at a time over a file: a lock the system holds for the process and drops when it
// ends, however it ends (a killed process never blocks the next); and who a process is.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lc::platform {

class RunLock {
 public:
  virtual ~RunLock() = default;
};

enum class Holding { kAlone, kShared };

// Takes a lock on the file at `path` itself (UTF-8; created when missing), by whatever name it is
// reached: a symbolic or hard link to it finds the same lock. Held alone, or shared with others
// who share it. Nothing is written into the file, and the lock leaves its readers and writers
// alone (a database's own locks included). Null when another process holds it in a way that
// excludes this one (errno 0) or when the file cannot be opened (errno set).
std::unique_ptr<RunLock> try_file_lock(const std::string& path, Holding holding = Holding::kAlone);

// The first `count` bytes of the file at `path` (UTF-8), fewer where it is shorter, none where
// it cannot be read. Read beside a database's own handles without disturbing its locks: closing
// any descriptor of a file drops every lock the process holds on it (Linux).
std::string start_of_file(const std::string& path, std::size_t count);

// The name the file at `path` (UTF-8) is finally reached by, every symbolic link on the way
// followed; `path` itself where the file cannot be opened.
std::string final_file_name(const std::string& path);

// How many names (hard links) the file at `path` has; 1 where it cannot be told.
unsigned long names_of_file(const std::string& path);

// This process's number and the machine's name, to say who holds something.
long process_id();
// Whether a process of that number runs on this machine.
bool process_runs(long pid);
std::string machine_name();

// This process, as no other process anywhere is, nor a later one of the same number: the
// machine's boot and the space its process numbers are drawn from, the number and when the process
// started.
std::string process_identity();
// Whether the process `identity` names (process_identity()) is known to be gone: it was of this
// boot and process space, and no process that started then has its number now. A process of
// another machine or space is never known to be gone.
bool process_gone(std::string_view identity);

// Where the system keeps programs' state for the user: $XDG_STATE_HOME, else
// ~/.local/state; %LOCALAPPDATA% on Windows.
std::filesystem::path user_state_directory();

// Where a system service of ours keeps its state: the state directory systemd gives it,
// /var/lib ($LINKCOURIER_SERVICE_STATE where set); none on Windows, whose scheduled task runs as
// its user.
std::optional<std::filesystem::path> service_state_directory();

}  // namespace lc::platform
