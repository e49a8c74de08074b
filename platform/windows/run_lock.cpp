#include "platform/run_lock.h"

#include <process.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/process_start.h"
#include "platform/text_encodings.h"
#include "platform/utf8_files.h"

namespace lc::platform {
namespace {

// The locked range lies far past the bytes a database locks in its own file.
constexpr DWORD kLockedOffsetHigh = 0x7FFF0000;

class FileRunLock final : public RunLock {
 public:
  explicit FileRunLock(HANDLE file) : file_(file) {}
  ~FileRunLock() override {
    OVERLAPPED at{};
    at.OffsetHigh = kLockedOffsetHigh;
    ::UnlockFileEx(file_, 0, 1, 0, &at);
    ::CloseHandle(file_);
  }

 private:
  HANDLE file_;
};

// The file opened and its range locked; INVALID_HANDLE_VALUE, errno set as try_file_lock says,
// when not.
HANDLE locked(const std::string& path, Holding holding) {
  const HANDLE file = ::CreateFileW(utf8_path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    errno = EACCES;
    return file;
  }
  OVERLAPPED at{};
  at.OffsetHigh = kLockedOffsetHigh;
  if (!::LockFileEx(
          file,
          (holding == Holding::kAlone ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY, 0,
          1, 0, &at)) {
    ::CloseHandle(file);
    errno = 0;
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

}  // namespace

std::unique_ptr<RunLock> try_file_lock(const std::string& path, Holding holding) {
  const HANDLE file = locked(path, holding);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<FileRunLock>(file);
}

std::string start_of_file(const std::string& path, std::size_t count) {
  // A handle closed here leaves the locks of the others alone.
  std::FILE* file = open_file(path, "rb");
  if (file == nullptr) return "";
  std::string start(count, '\0');
  start.resize(std::fread(start.data(), 1, count, file));
  std::fclose(file);
  return start;
}

std::string final_file_name(const std::string& path) {
  const HANDLE file = ::CreateFileW(utf8_path(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  wchar_t name[32768];
  const DWORD length =
      ::GetFinalPathNameByHandleW(file, name, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  ::CloseHandle(file);
  if (length == 0 || length >= 32768) return path;
  std::wstring_view final(name, length);
  // "\\?\C:\..." for a drive's file; other forms (a share's) stay as they are.
  if (final.starts_with(L"\\\\?\\") && final.size() > 6 && final[5] == L':') final.remove_prefix(4);
  return utf8_name(std::filesystem::path(std::wstring(final)));
}

unsigned long names_of_file(const std::string& path) {
  const HANDLE file = ::CreateFileW(utf8_path(path).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = ::GetFileInformationByHandle(file, &information) != FALSE;
  ::CloseHandle(file);
  return known ? information.nNumberOfLinks : 1;
}

long process_id() {
  return static_cast<long>(::_getpid());
}

bool process_runs(long pid) {
  if (pid <= 0) return false;
  const HANDLE process =
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // A process that exists but is not ours to open runs all the same.
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return running;
}

std::string machine_name() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &size)) return "?";
  return utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(name), size));
}

std::optional<std::string> process_start(long pid) {
  const HANDLE process =
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  // One that exists but is not ours to open cannot be told apart from a later one.
  if (process == nullptr) {
    if (::GetLastError() == ERROR_ACCESS_DENIED) return std::nullopt;
    return "";
  }
  FILETIME created{}, exited{}, kernel{}, user{};
  DWORD code = 0;
  const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE &&
                       ::GetProcessTimes(process, &created, &exited, &kernel, &user);
  ::CloseHandle(process);
  if (!running) return "";
  return std::to_string((static_cast<unsigned long long>(created.dwHighDateTime) << 32) |
                        created.dwLowDateTime);
}

std::string process_space() {
  return machine_name() + "/";
}

std::filesystem::path user_state_directory() {
  const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
  return local != nullptr ? std::filesystem::path(local) : std::filesystem::path(L".");
}

std::optional<std::filesystem::path> service_state_directory() {
  return std::nullopt;
}

}  // namespace lc::platform
