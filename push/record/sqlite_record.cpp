#include "push/record/sqlite_record.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/run_lock.h"
#include "platform/utf8_files.h"
#include "push/record/database.h"
#include "push/record/record_schema.h"
#include "push/record/sql_record.h"
#include "push/record/text_state_import.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// The file at `path` locked as `holding` asks, waiting up to `seconds` for others to let go.
std::unique_ptr<platform::RunLock> hold_file(const std::string& path, platform::Holding holding,
                                             double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    errno = 0;
    if (std::unique_ptr<platform::RunLock> held = platform::try_file_lock(path, holding))
      return held;
    if (errno != 0) throw RecordError(texts::about(path, std::strerror(errno)));
    if (std::chrono::steady_clock::now() >= deadline) {
      throw RecordBusy(texts::about(
          path,
          texts::filled(texts::kRecordBusy, {{"holder", std::string(texts::kHolderUnknown)}})));
    }
    std::this_thread::sleep_for(kLookEvery);
  }
}

// SQLite keeps a record's journal beside the name it was opened by: two processes writing one
// record by two names (a hard link) would each keep their own and damage it. Every writer holds
// the file shared; where the file has other names, a writer holds it alone.
std::unique_ptr<platform::RunLock> hold_record_file(const std::string& path, double seconds) {
  const bool other_names = platform::names_of_file(path) > 1;
  return hold_file(path, other_names ? platform::Holding::kAlone : platform::Holding::kShared,
                   seconds);
}

// A text state file where the record is to stand is taken in whole: into a new record beside it
// first, which then takes its place; the text is kept as PATH.imported.
void import_text_state(const RecordOpening& opening) {
  const std::filesystem::path path = platform::utf8_path(opening.path);
  const std::filesystem::path importing = platform::utf8_path(opening.path + ".importing");
  std::error_code error;
  // An import that stopped between its two renames is finished.
  if (!std::filesystem::exists(path, error) && std::filesystem::exists(importing, error))
    std::filesystem::rename(importing, path, error);
  if (!text_state_at(opening.path)) return;
  // Of two runs that find the text at once, the one holding the file imports it; the other then
  // finds the record in its place.
  const std::unique_ptr<platform::RunLock> held =
      hold_file(opening.path, platform::Holding::kAlone, opening.wait_seconds);
  const std::optional<std::string> text = text_state_at(opening.path);
  if (!text) return;
  std::filesystem::remove(importing, error);
  {
    RecordOpening into = opening;
    into.path = opening.path + ".importing";
    into.dry_run = false;
    try {
      import_accepted(Database(into.path, Database::Access::kCreate), into, into.path, *text);
    } catch (const DatabaseError& failure) {
      throw record_error(into.path, failure);
    }
  }
  std::filesystem::rename(path, platform::utf8_path(opening.path + ".imported"), error);
  if (!error) std::filesystem::rename(importing, path, error);
  if (error) throw RecordError(texts::about(opening.path, texts::kRecordFailed) + error.message());
}

// The record in the file, opened as `access` allows.
std::unique_ptr<Record> open_file(const RecordOpening& opening, Database::Access access,
                                  std::unique_ptr<platform::RunLock> file_held = nullptr) {
  // SQLite keeps the journal beside the name it opens: one name for every way to the file.
  const std::string file =
      opening.path == kRecordInMemory ? opening.path : platform::final_file_name(opening.path);
  const bool read_only =
      access == Database::Access::kReadOnly || access == Database::Access::kUnchanging;
  return open_sql_record(
      Database(file, access), opening,
      {.name = opening.path, .read_only = read_only, .file_held = std::move(file_held)});
}

// Asking the record reads it and writes nothing, so that another user's record, or one on a
// read-only mount, can be asked; an older record is upgraded first, where it can be written.
std::unique_ptr<Record> open_for_asking(const RecordOpening& opening) {
  try {
    return open_file(opening, Database::Access::kReadOnly);
  } catch (const NeedsUpgrade&) {
    return open_file(opening, Database::Access::kReadWrite);
  } catch (const std::runtime_error&) {
    // Readers beside a writer share an index file beside the record; where it cannot be made,
    // no one writes the record now.
    return open_file(opening, Database::Access::kUnchanging);
  }
}

}  // namespace

std::unique_ptr<Record> open_sqlite_record(const RecordOpening& opening) {
  // Asking the record writes nothing: SQLite lets readers in beside a run.
  std::unique_ptr<platform::RunLock> file_held;
  if (opening.path != kRecordInMemory && !opening.destination.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(platform::utf8_path(opening.path).parent_path(), ignored);
    import_text_state(opening);
    file_held = hold_record_file(opening.path, opening.wait_seconds);
  }
  try {
    if (opening.destination.empty() && opening.path != kRecordInMemory)
      return open_for_asking(opening);
    return open_file(opening, Database::Access::kCreate, std::move(file_held));
  } catch (const DatabaseError& error) {
    throw record_error(opening.path, error);
  }
}

}  // namespace lc::push
